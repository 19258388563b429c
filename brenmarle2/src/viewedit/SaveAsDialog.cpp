#include "viewedit/SaveAsDialog.h"

#include <wx/button.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/sizer.h>

#include "files/Uri.h"
#include "folders/AlbumFolder.h"
#include "imaging/ImageData.h"
#include "imaging/PictureSaver.h"
#include "ui/Accessibility.h"

using Brenmarle::ImageData;

SaveAsDialog::SaveAsDialog(wxWindow* parent)
    : wxDialog(parent, wxID_ANY, _("Save Picture As"), wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    auto* intro =
        new wxStaticText(this, wxID_ANY, _("Save a copy of the picture in a folder or an album"));
    m_toAlbum = new wxRadioButton(this, wxID_ANY, _("Album:"), wxDefaultPosition, wxDefaultSize,
                                  wxRB_GROUP);
    m_albums = new wxChoice(this, wxID_ANY);
    m_albums->SetName(_("Album"));
    for (const auto& [uri, album] : Brenmarle::AlbumFolder::getAlbums()) {
        m_albums->Append(album->getName());
        m_albumUris.push_back(uri);
    }
    m_toFolder = new wxRadioButton(this, wxID_ANY, _("Folder on this computer:"));
    m_folder =
        new wxDirPickerCtrl(this, wxID_ANY, wxEmptyString, _("Choose a folder"), wxDefaultPosition,
                            wxDefaultSize, wxDIRP_USE_TEXTCTRL | wxDIRP_DIR_MUST_EXIST);
    m_folder->SetName(_("Folder"));
    if (wxTextCtrl* path = m_folder->GetTextCtrl())
        Quorvel::setAccessibleName(*path, _("Folder"));
    m_name = new wxTextCtrl(this, wxID_ANY, "picture.jpg");
    m_name->SetName(_("File name"));
    Quorvel::setAccessibleName(*m_name, _("File name"));
    m_defaults = new wxCheckBox(this, wxID_ANY, _("Use default options when saving picture"));
    m_format = new wxChoice(this, wxID_ANY);
    m_format->Append(_("JPEG Format"));
    m_format->Append(_("PNG Format"));
    m_format->SetSelection(0);
    m_format->SetName(_("Image Format"));
    m_quality = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                               wxSP_ARROW_KEYS, 0, 100, Brenmarle::PictureSaver::SAVE_QUALITY);
    m_quality->SetName(_("JPEG Quality"));
    Quorvel::setAccessibleName(*m_quality, _("JPEG Quality"));
    m_error = new wxStaticText(this, wxID_ANY, _("No album or folder is selected"));
    m_error->SetForegroundColour(*wxRED);
    m_error->Hide();

    const int gap = FromDIP(6);
    auto* destination = new wxFlexGridSizer(2, gap, gap * 2);
    destination->AddGrowableCol(1);
    destination->Add(m_toAlbum, 0, wxALIGN_CENTER_VERTICAL);
    destination->Add(m_albums, 1, wxEXPAND);
    destination->Add(m_toFolder, 0, wxALIGN_CENTER_VERTICAL);
    destination->Add(m_folder, 1, wxEXPAND);
    auto* options = new wxFlexGridSizer(2, gap, gap * 2);
    options->AddGrowableCol(1);
    options->Add(new wxStaticText(this, wxID_ANY, _("Save picture with file name:")), 0,
                 wxALIGN_CENTER_VERTICAL);
    options->Add(m_name, 1, wxEXPAND);
    options->AddSpacer(0);
    options->Add(m_defaults);
    options->Add(new wxStaticText(this, wxID_ANY, _("Image Format:")), 0, wxALIGN_CENTER_VERTICAL);
    options->Add(m_format);
    options->Add(new wxStaticText(this, wxID_ANY, _("JPEG Quality:")), 0, wxALIGN_CENTER_VERTICAL);
    options->Add(m_quality);

    auto* buttons = new wxStdDialogButtonSizer();
    auto* save = new wxButton(this, wxID_OK, _("Save"));
    save->SetDefault();
    buttons->AddButton(save);
    buttons->AddButton(new wxButton(this, wxID_CANCEL));
    buttons->Realize();

    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(intro, 0, wxALL, FromDIP(12));
    sizer->Add(destination, 0, wxEXPAND | wxLEFT | wxRIGHT, FromDIP(12));
    sizer->Add(m_error, 0, wxLEFT | wxRIGHT | wxTOP, FromDIP(12));
    sizer->Add(options, 0, wxEXPAND | wxALL, FromDIP(12));
    sizer->Add(buttons, 0, wxEXPAND | wxALL, FromDIP(12));
    SetSizerAndFit(sizer);
    SetMinSize(wxSize(FromDIP(520), GetSize().y));

    if (m_albumUris.empty()) {
        m_toAlbum->Disable();
        m_albums->Disable();
        m_toFolder->SetValue(true);
    } else {
        m_albums->SetSelection(0);
        m_toAlbum->SetValue(true);
    }
    m_toAlbum->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { updateControls(); });
    m_toFolder->Bind(wxEVT_RADIOBUTTON, [this](wxCommandEvent&) { updateControls(); });
    m_defaults->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) { updateControls(); });
    m_format->Bind(wxEVT_CHOICE, [this](wxCommandEvent&) {
        // The name follows the format, so what is typed is what is written.
        m_name->ChangeValue(Brenmarle::PictureSaver::copyName(m_name->GetValue(), getFormat()));
        updateControls();
    });
    Bind(wxEVT_BUTTON, &SaveAsDialog::onSave, this, wxID_OK);
    updateControls();
}

void SaveAsDialog::updateControls()
{
    m_albums->Enable(m_toAlbum->GetValue() && !m_albumUris.empty());
    m_folder->Enable(m_toFolder->GetValue());
    if (m_defaults->GetValue()) {
        m_format->SetSelection(0);
        m_quality->SetValue(Brenmarle::PictureSaver::SAVE_QUALITY);
    }
    m_format->Enable(!m_defaults->GetValue());
    m_quality->Enable(!m_defaults->GetValue() && getFormat() == ImageData::FORMAT_JPEG);
}

void SaveAsDialog::setFolder(const wxString& directory)
{
    m_folder->SetPath(directory);
    if (m_albumUris.empty())
        m_toFolder->SetValue(true);
    updateControls();
}

wxString SaveAsDialog::getFolderUri() const
{
    if (m_toAlbum->GetValue()) {
        const int chosen = m_albums->GetSelection();
        return chosen == wxNOT_FOUND ? wxString() : m_albumUris[size_t(chosen)];
    }
    const wxString path = m_folder->GetPath();
    if (path.empty() || !wxFileName::DirExists(path))
        return wxString();
    wxString uri = Brenmarle::Uri::fromLocalPath(wxFileName::DirName(path).GetFullPath());
    if (!uri.EndsWith("/"))
        uri += "/";
    return uri;
}

int SaveAsDialog::getFormat() const
{
    return m_format->GetSelection() == 1 ? ImageData::FORMAT_PNG : ImageData::FORMAT_JPEG;
}

int SaveAsDialog::getQuality() const
{
    return m_quality->GetValue();
}

void SaveAsDialog::onSave(wxCommandEvent& event)
{
    if (getFolderUri().empty()) {
        m_error->Show();
        Layout();
        return;
    }
    event.Skip(); // closes the dialog with OK
}
