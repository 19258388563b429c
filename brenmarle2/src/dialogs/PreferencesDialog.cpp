#include "dialogs/PreferencesDialog.h"

#include <wx/button.h>
#include <wx/notebook.h>
#include <wx/sizer.h>

#include "dialogs/NetworkPage.h"
#include "ui/Accessibility.h"

PreferencesDialog::PreferencesDialog(wxWindow* parent, const wxString& networkSettingsPath)
    : wxDialog(parent, wxID_ANY, _("Preferences"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* book = new wxNotebook(this, wxID_ANY);
    Quorvel::setAccessibleName(*book, _("Preferences"));
    m_network = new NetworkPage(book, networkSettingsPath);
    book->AddPage(m_network, _("Network"));
    sizer->Add(book, 1, wxEXPAND | wxALL, 8);
    sizer->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 8);
    SetSizerAndFit(sizer);
    Bind(wxEVT_BUTTON, &PreferencesDialog::onOk, this, wxID_OK);
}

void PreferencesDialog::onOk(wxCommandEvent& event)
{
    m_network->save();
    event.Skip();
}
