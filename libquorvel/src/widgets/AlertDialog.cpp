#include "widgets/AlertDialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

namespace Quorvel {

AlertDialog::AlertDialog(wxWindow* parent, const wxString& message, const wxString& heading)
    : wxDialog(parent, wxID_ANY, heading)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, heading);
    title->SetFont(title->GetFont().Bold().Larger());
    sizer->Add(title, 0, wxALL, 12);
    auto* text = new wxStaticText(this, wxID_ANY, message);
    text->Wrap(FromDIP(380));
    sizer->Add(text, 1, wxLEFT | wxRIGHT | wxEXPAND, 12);
    sizer->Add(CreateSeparatedButtonSizer(wxOK), 0, wxALL | wxEXPAND, 12);
    SetSizerAndFit(sizer);
    CentreOnParent();
}

void AlertDialog::show(wxWindow* parent, const wxString& message, const wxString& heading)
{
    AlertDialog dialog(parent, message, heading);
    dialog.ShowModal();
}

} // namespace Quorvel
