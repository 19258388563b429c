#pragma once
// "Save Picture As": where a new copy of the picture goes (an album or a folder of the
// computer), its name, format and JPEG quality.
//
// Threads: the GUI thread.

#include <vector>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dialog.h>
#include <wx/filepicker.h>
#include <wx/radiobut.h>
#include <wx/spinctrl.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

class SaveAsDialog : public wxDialog {
public:
    explicit SaveAsDialog(wxWindow* parent);

    // Offers a directory of the computer as the destination (the picture's own, say).
    void setFolder(const wxString& directory);

    // The destination folder's URI; empty when none is chosen.
    wxString getFolderUri() const;
    wxString getFileName() const { return m_name->GetValue(); }
    // ImageData::FORMAT_JPEG or FORMAT_PNG.
    int getFormat() const;
    int getQuality() const;

    wxChoice* getAlbums() const { return m_albums; }
    wxDirPickerCtrl* getFolder() const { return m_folder; }
    wxRadioButton* getAlbumChoice() const { return m_toAlbum; }
    wxRadioButton* getFolderChoice() const { return m_toFolder; }
    wxTextCtrl* getNameField() const { return m_name; }
    wxChoice* getFormatChoice() const { return m_format; }
    wxCheckBox* getDefaults() const { return m_defaults; }

private:
    void updateControls();
    void onSave(wxCommandEvent& event);

    std::vector<wxString> m_albumUris;
    wxRadioButton* m_toAlbum;
    wxRadioButton* m_toFolder;
    wxChoice* m_albums;
    wxDirPickerCtrl* m_folder;
    wxTextCtrl* m_name;
    wxCheckBox* m_defaults;
    wxChoice* m_format;
    wxSpinCtrl* m_quality;
    wxStaticText* m_error;
};
