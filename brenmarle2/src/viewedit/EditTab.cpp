#include "viewedit/EditTab.h"

#include <wx/intl.h>

EditTab::EditTab(wxWindow* parent, ImageFrame& frame, const wxString& name,
                 const wxString& applyLabel, const wxString& hint)
    : wxPanel(parent, wxID_ANY), m_frame(frame)
{
    SetName(name);
    m_controls = new wxBoxSizer(wxHORIZONTAL);
    m_hint = new wxStaticText(this, wxID_ANY, hint);
    m_reset = new wxButton(this, wxID_ANY, _("Reset"));
    m_apply = new wxButton(this, wxID_ANY, applyLabel);
    m_reset->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { reset(); });
    m_apply->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { apply(); });

    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    buttons->Add(m_hint, 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(12));
    buttons->AddStretchSpacer();
    buttons->Add(m_reset, 0, wxRIGHT, FromDIP(6));
    buttons->Add(m_apply, 0);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_controls, 0, wxEXPAND | wxALL, FromDIP(8));
    sizer->AddStretchSpacer();
    sizer->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, FromDIP(8));
    SetSizer(sizer);
    setPreviewing(false);
}

void EditTab::setPreviewing(bool previewing)
{
    m_reset->Enable(previewing);
    m_apply->Enable(previewing);
    if (m_hint->IsShown() != previewing) {
        m_hint->Show(previewing);
        Layout();
    }
}
