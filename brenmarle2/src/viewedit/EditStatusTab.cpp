#include "viewedit/EditStatusTab.h"

#include <wx/artprov.h>
#include <wx/intl.h>
#include <wx/sizer.h>

#include "system/Environment.h"
#include "ui/Skin.h"
#include "viewedit/ImageFrame.h"

namespace {

// A flat button with the skin's icon (the desktop's when the skin has none), read as a link.
wxButton* linkButton(wxWindow* parent, const wxString& label, const wxString& tip,
                     const wxString& icon, const wxArtID& fallback)
{
    auto* button = new wxButton(parent, wxID_ANY, label, wxDefaultPosition, wxDefaultSize,
                                wxBU_EXACTFIT | wxBORDER_NONE);
    wxBitmap bitmap = Quorvel::Skin(Quorvel::Environment::getSkinDir()).loadBitmap(icon);
    if (!bitmap.IsOk())
        bitmap = wxArtProvider::GetBitmap(fallback, wxART_BUTTON);
    if (bitmap.IsOk())
        button->SetBitmap(bitmap);
    button->SetToolTip(tip);
    button->SetForegroundColour(wxColour(0, 0x55, 0xcc));
    return button;
}

} // namespace

EditStatusTab::EditStatusTab(wxWindow* parent, ImageFrame& frame) : wxPanel(parent, wxID_ANY)
{
    SetName(_("Edit Status"));
    m_clean = new wxStaticText(
        this, wxID_ANY,
        _("To make changes to the picture, please choose a category from the menu above."));
    m_unsaved = new wxStaticText(this, wxID_ANY, _("You have unsaved changes to the picture."));
    m_unsaved->SetFont(m_unsaved->GetFont().Bold());
    m_unsaved->SetInitialSize(); // measured again in the bold font, or its end is cut off
    m_mustSave =
        new wxStaticText(this, wxID_ANY, _("You must save the changes to make them permanent:"));
    m_save = linkButton(this, _("Save Picture"),
                        _("Click here to overwrite the original picture with your modifications"),
                        "save_picture.png", wxART_FILE_SAVE);
    m_saveAs = linkButton(this, _("Save As New Copy"),
                          _("Save the picture as a new copy, not overwriting the original"),
                          "save_picture_as.png", wxART_FILE_SAVE_AS);
    m_save->Bind(wxEVT_BUTTON, [&frame](wxCommandEvent&) { frame.savePicture(); });
    m_saveAs->Bind(wxEVT_BUTTON, [&frame](wxCommandEvent&) { frame.saveAsNewCopy(); });

    auto* links = new wxBoxSizer(wxHORIZONTAL);
    links->Add(m_save, 0, wxRIGHT, FromDIP(16));
    links->Add(m_saveAs, 0);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_clean, 0, wxALL, FromDIP(8));
    sizer->Add(m_unsaved, 0, wxLEFT | wxRIGHT | wxTOP, FromDIP(8));
    sizer->Add(m_mustSave, 0, wxALL, FromDIP(8));
    sizer->Add(links, 0, wxLEFT | wxRIGHT, FromDIP(8));
    SetSizer(sizer);
    update(false);
}

void EditStatusTab::update(bool modified)
{
    m_clean->Show(!modified);
    for (wxWindow* window : {static_cast<wxWindow*>(m_unsaved), static_cast<wxWindow*>(m_mustSave),
                             static_cast<wxWindow*>(m_save), static_cast<wxWindow*>(m_saveAs)})
        window->Show(modified);
    Layout();
}

wxString EditStatusTab::getText() const
{
    if (m_clean->IsShown())
        return m_clean->GetLabel();
    return m_unsaved->GetLabel() + "\n" + m_mustSave->GetLabel();
}
