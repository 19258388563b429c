#pragma once
// The album's properties: name, description, icon, whether the safe-storage warning is shown
// and whether the album is hidden from the album list.
//
// GUI thread only.

#include <wx/dialog.h>

#include "folders/AlbumFolder.h"

class wxCheckBox;
class wxChoice;
class wxTextCtrl;

class AlbumPropertiesDialog : public wxDialog {
public:
    AlbumPropertiesDialog(wxWindow* parent, Quorvel::Ref<Brenmarle::AlbumFolder> album);

    // Stores what the user entered; returns whether anything changed. A hidden album leaves
    // the album list at once (Brenmarle::AlbumFolder::setAlbumHidden).
    bool apply();

    wxTextCtrl* getNameField() const { return m_name; }
    wxTextCtrl* getDescriptionField() const { return m_description; }
    wxCheckBox* getHiddenBox() const { return m_hidden; }
    wxCheckBox* getWarningBox() const { return m_warning; }

    // The icons an album can have, by their stored names.
    static const wxArrayString& iconNames();

private:
    Quorvel::Ref<Brenmarle::AlbumFolder> m_album;
    wxTextCtrl* m_name;
    wxTextCtrl* m_description;
    wxChoice* m_icon;
    wxCheckBox* m_warning;
    wxCheckBox* m_hidden;
};
