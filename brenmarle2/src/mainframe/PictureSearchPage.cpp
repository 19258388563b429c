#include "mainframe/PictureSearchPage.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

PictureSearchPage::PictureSearchPage(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SetName("PictureSearchPage");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, _("Picture Search"));
    title->SetFont(title->GetFont().Scaled(1.5f).Bold());
    sizer->Add(title, 0, wxALL, 24);
    sizer->Add(new wxStaticText(this, wxID_ANY,
                                _("Searching your pictures by keywords, dates and places is not "
                                  "available in this version yet.")),
               0, wxLEFT | wxRIGHT, 24);
    SetSizer(sizer);
}
