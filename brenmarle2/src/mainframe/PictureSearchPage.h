#pragma once
// Picture Search: the section is in place; searching by keywords, dates and places comes with
// the catalogue search, and until then the page says so.
//
// GUI thread only.

#include <wx/panel.h>

class PictureSearchPage : public wxPanel {
public:
    explicit PictureSearchPage(wxWindow* parent);
};
