#pragma once
// The fields of a postal address on a form page: "Full Name:", "Address:" (two lines),
// "Postal Code:" and "City:", each named for a screen reader.
//
// GUI thread only; the fields belong to the page.

#include "ordering/Address.h"

class wxFlexGridSizer;
class wxTextCtrl;
class wxWindow;

class AddressFields {
public:
    // Adds the fields to `grid` of `page`, filled with `address`.
    void create(wxWindow* page, wxFlexGridSizer* grid, const Brenmarle::Address& address);
    // What the fields hold, as typed.
    Brenmarle::Address get() const;

    wxTextCtrl* name = nullptr;
    wxTextCtrl* address1 = nullptr;
    wxTextCtrl* address2 = nullptr;
    wxTextCtrl* postalCode = nullptr;
    wxTextCtrl* city = nullptr;
};
