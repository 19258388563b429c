#include "widgets/AddressFields.h"

#include <wx/intl.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "ui/Accessibility.h"
#include "widgets/WizardForm.h"

void AddressFields::create(wxWindow* page, wxFlexGridSizer* grid, const Brenmarle::Address& address)
{
    name = WizardForm::addField(page, grid, _("Full Name:"));
    address1 = WizardForm::addField(page, grid, _("Address:"));
    grid->AddSpacer(0);
    address2 = new wxTextCtrl(page, wxID_ANY);
    Quorvel::setAccessibleName(*address2, _("Address, second line"));
    grid->Add(address2, wxSizerFlags().Expand());
    postalCode = WizardForm::addField(page, grid, _("Postal Code:"));
    city = WizardForm::addField(page, grid, _("City:"));
    name->ChangeValue(address.name);
    address1->ChangeValue(address.addressLine1);
    address2->ChangeValue(address.addressLine2);
    postalCode->ChangeValue(address.postalCode);
    city->ChangeValue(address.city);
}

Brenmarle::Address AddressFields::get() const
{
    Brenmarle::Address address;
    address.name = name->GetValue();
    address.addressLine1 = address1->GetValue();
    address.addressLine2 = address2->GetValue();
    address.postalCode = postalCode->GetValue();
    address.city = city->GetValue();
    return address;
}
