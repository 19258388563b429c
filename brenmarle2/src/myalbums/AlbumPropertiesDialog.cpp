#include "myalbums/AlbumPropertiesDialog.h"

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/log.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "system/Exceptions.h"
#include "ui/Accessibility.h"

const wxArrayString& AlbumPropertiesDialog::iconNames()
{
    static const wxArrayString names = [] {
        wxArrayString list;
        for (const char* name : {"album", "album_family", "album_holiday", "album_friends",
                                 "album_work", "album_pets"})
            list.Add(name);
        return list;
    }();
    return names;
}

AlbumPropertiesDialog::AlbumPropertiesDialog(wxWindow* parent,
                                             Quorvel::Ref<Brenmarle::AlbumFolder> album)
    : wxDialog(parent, wxID_ANY, _("Album Properties"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      m_album(std::move(album))
{
    auto* grid = new wxFlexGridSizer(2, wxSize(8, 8));
    grid->AddGrowableCol(1);
    m_name = new wxTextCtrl(this, wxID_ANY, m_album->getName());
    m_name->SetName("AlbumName");
    Quorvel::setAccessibleName(*m_name, _("Name"));
    m_description = new wxTextCtrl(this, wxID_ANY, m_album->getDescription(), wxDefaultPosition,
                                   wxSize(320, 80), wxTE_MULTILINE);
    m_description->SetName("AlbumDescription");
    Quorvel::setAccessibleName(*m_description, _("Description"));
    wxArrayString labels;
    labels.Add(_("Album"));
    labels.Add(_("Family"));
    labels.Add(_("Holiday"));
    labels.Add(_("Friends"));
    labels.Add(_("Work"));
    labels.Add(_("Pets"));
    m_icon = new wxChoice(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, labels);
    m_icon->SetName("AlbumIcon");
    const int icon = iconNames().Index(m_album->getIcon());
    m_icon->SetSelection(icon == wxNOT_FOUND ? 0 : icon);
    grid->Add(new wxStaticText(this, wxID_ANY, _("Name:")), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_name, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, _("Description:")), 0);
    grid->Add(m_description, 1, wxEXPAND);
    grid->Add(new wxStaticText(this, wxID_ANY, _("Icon:")), 0, wxALIGN_CENTER_VERTICAL);
    grid->Add(m_icon, 0);

    m_warning = new wxCheckBox(this, wxID_ANY, _("Warn me when this album is not in safe storage"));
    m_warning->SetValue(m_album->hasSafeStorageWarning());
    m_hidden = new wxCheckBox(this, wxID_ANY, _("Hide this album from the album list"));
    m_hidden->SetValue(m_album->isHidden());

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(grid, 1, wxEXPAND | wxALL, 12);
    sizer->Add(m_warning, 0, wxLEFT | wxRIGHT, 12);
    sizer->Add(m_hidden, 0, wxALL, 12);
    if (wxSizer* buttons = CreateSeparatedButtonSizer(wxOK | wxCANCEL))
        sizer->Add(buttons, 0, wxEXPAND | wxALL, 12);
    if (auto* ok = FindWindow(wxID_OK))
        ok->SetLabel(_("Save"));
    SetSizerAndFit(sizer);
}

bool AlbumPropertiesDialog::apply()
{
    const wxString name = wxString(m_name->GetValue()).Trim().Trim(false);
    const int icon = m_icon->GetSelection();
    const wxString iconName = icon >= 0 ? iconNames()[icon] : wxString();
    bool changed = false;
    try {
        if (!name.empty() && name != m_album->getName()) {
            m_album->setName(name);
            changed = true;
        }
        if (m_description->GetValue() != m_album->getDescription()) {
            m_album->setDescription(m_description->GetValue());
            changed = true;
        }
        // An album whose icon we do not list (a live album's) keeps it unless the user picks.
        if (iconName != m_album->getIcon() &&
            (iconNames().Index(m_album->getIcon()) != wxNOT_FOUND || icon > 0)) {
            m_album->setIcon(iconName);
            changed = true;
        }
        if (m_warning->GetValue() != m_album->hasSafeStorageWarning()) {
            m_album->setSafeStorageWarning(m_warning->GetValue());
            changed = true;
        }
        if (changed)
            m_album->update();
        // Hiding takes the album off the list now, not at the next start.
        if (m_hidden->GetValue() != m_album->isHidden()) {
            Brenmarle::AlbumFolder::setAlbumHidden(m_album, m_hidden->GetValue());
            changed = true;
        }
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not save the album properties: %s"), e.getMessage());
        return false;
    }
    return changed;
}
