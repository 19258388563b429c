#include "fullscreen/SlideShowDialog.h"

#include <random>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statline.h>
#include <wx/stattext.h>

#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "slideshow/CataloguePictures.h"
#include "slideshow/CountryListNames.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace {

// The white band at the top of the dialog, with its title.
class HeaderPanel : public wxPanel {
public:
    explicit HeaderPanel(wxWindow* parent)
        : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxSize(-1, 30))
    {
        SetBackgroundColour(*wxWHITE);
        SetName(_("Start a Slide Show"));
        wxFont bold = GetFont().Bold();
        const wxSize text = GetTextExtent(_("Start a Slide Show"));
        SetMinSize(wxSize(text.x + 20, std::max(30, 10 + text.y + 4)));
        Bind(wxEVT_PAINT, [this, bold](wxPaintEvent&) {
            wxPaintDC dc(this);
            dc.SetFont(bold);
            dc.SetTextForeground(*wxBLACK);
            dc.DrawText(_("Start a Slide Show"), 10, 10);
        });
    }
};

} // namespace

SlideShowDialog::SlideShowDialog(wxWindow* parent, const std::vector<wxString>& selection,
                                 const std::vector<wxString>& folder, bool folderIsAlbum,
                                 const std::vector<Brenmarle::MusicList::Song>& songs)
    : wxDialog(parent, wxID_ANY, _("Create Slide Show")), m_selection(selection), m_folder(folder)
{
    SetName(wxS("Create Slide Show"));
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new HeaderPanel(this), 0, wxEXPAND);
    top->Add(new wxStaticLine(this), 0, wxEXPAND);

    auto* body = new wxBoxSizer(wxVERTICAL);
    m_scope = new wxChoice(this, wxID_ANY);
    m_scope->SetName(_("Pictures to show"));
    m_scope->Append(_("View all pictures in archive"),
                    reinterpret_cast<void*>(static_cast<wxIntPtr>(CATALOGUE)));
    if (!folder.empty())
        m_scope->Append(folderIsAlbum ? _("View all pictures in current album")
                                      : _("View all pictures in current folder"),
                        reinterpret_cast<void*>(static_cast<wxIntPtr>(FOLDER)));
    if (!selection.empty())
        m_scope->Append(_("View current selection"),
                        reinterpret_cast<void*>(static_cast<wxIntPtr>(SELECTION)));
    // What the user pointed at is what is meant: the selection, else the folder shown.
    m_scope->SetSelection(m_scope->GetCount() - 1);
    body->Add(m_scope, 0, wxEXPAND | wxBOTTOM, 10);

    m_automatic = new wxCheckBox(this, wxID_ANY, _("Switch pictures automatically"));
    body->Add(m_automatic, 0, wxBOTTOM, 5);
    auto* delayRow = new wxBoxSizer(wxHORIZONTAL);
    auto* delayLabel = new wxStaticText(this, wxID_ANY, _("Delay (in seconds):"));
    m_delay = new wxSpinCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize,
                             wxSP_ARROW_KEYS, 1, 1000, 5);
    m_delay->SetName(_("Delay (in seconds):"));
    delayRow->Add(delayLabel, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRIGHT, 20);
    delayRow->Add(m_delay, 0);
    body->Add(delayRow, 0, wxBOTTOM, 10);
    m_random = new wxCheckBox(this, wxID_ANY, _("Display pictures in random order"));
    body->Add(m_random, 0, wxBOTTOM, 5);
    m_captions = new wxCheckBox(this, wxID_ANY, _("Display picture captions"));
    body->Add(m_captions, 0, wxBOTTOM, 5);
    m_largeFont = new wxCheckBox(this, wxID_ANY, _("Use extra large font"));
    body->Add(m_largeFont, 0, wxBOTTOM, 10);

    m_music = new wxChoice(this, wxID_ANY);
    m_music->SetName(_("Background music"));
    m_music->Append(_("No background music"));
    m_music->Append(_("Pick one random song"));
    m_music->Append(_("Play all songs in random order"));
    m_songPaths.assign(3, wxString());
    for (const Brenmarle::MusicList::Song& song : songs) {
        m_music->Append(song.label);
        m_songPaths.push_back(song.path);
    }
    m_music->SetSelection(NO_MUSIC);
    body->Add(m_music, 0, wxEXPAND);
    top->Add(body, 1, wxEXPAND | wxALL, 12);

    auto* buttons = new wxStdDialogButtonSizer();
    auto* startButton = new wxButton(this, wxID_OK, _("Start"));
    startButton->SetDefault();
    buttons->AddButton(startButton);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Cancel")));
    buttons->Realize();
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);

    m_delay->Enable(m_automatic->GetValue());
    delayLabel->Enable(m_automatic->GetValue());
    m_automatic->Bind(wxEVT_CHECKBOX, [this, delayLabel](wxCommandEvent& event) {
        m_delay->Enable(event.IsChecked());
        delayLabel->Enable(event.IsChecked());
    });
    SetSizerAndFit(top);
    CentreOnParent();
}

void SlideShowDialog::run(wxWindow* parent, const std::vector<wxString>& selection,
                          const std::vector<wxString>& folder, bool folderIsAlbum)
{
    SlideShowDialog dialog(parent, selection, folder, folderIsAlbum,
                           Brenmarle::MusicList::read(Quorvel::Environment::getResourceDir()));
    if (dialog.ShowModal() == wxID_OK)
        dialog.start();
}

std::vector<wxString> SlideShowDialog::chosenSongs() const
{
    const int entry = m_music->GetSelection();
    const std::vector<wxString> songs(m_songPaths.begin() + 3, m_songPaths.end());
    if (entry == ONE_RANDOM_SONG && !songs.empty()) {
        std::mt19937 generator(std::random_device{}());
        return {songs[generator() % songs.size()]};
    }
    if (entry == ALL_SONGS)
        return songs;
    if (entry >= FIRST_SONG && entry < int(m_songPaths.size()))
        return {m_songPaths[std::size_t(entry)]};
    return {};
}

std::vector<wxString> SlideShowDialog::chosenPictureUris() const
{
    const int entry = m_scope->GetSelection();
    const auto tag = entry == wxNOT_FOUND
                         ? CATALOGUE
                         : static_cast<int>(reinterpret_cast<wxIntPtr>(
                               m_scope->GetClientData(static_cast<unsigned>(entry))));
    if (tag == CATALOGUE)
        return Brenmarle::CataloguePictures::uris(Brenmarle::Database::getInstance());
    return tag == FOLDER ? m_folder : m_selection;
}

SlideShowFrame* SlideShowDialog::start(SlideShowFrame::Settings settings)
{
    const std::vector<wxString> songs = chosenSongs();
    std::vector<Quorvel::Ref<Brenmarle::File>> pictures;
    try {
        for (const wxString& uri : chosenPictureUris()) {
            try {
                pictures.push_back(Brenmarle::FileManager::get().getFile(uri));
            } catch (const Quorvel::Exception& e) {
                QDEBUG("[SLIDESHOW] Left out %s: %s", uri, e.getMessage());
            }
        }
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[SLIDESHOW] Could not list the pictures: %s", e.getMessage());
    }
    if (pictures.empty()) {
        wxLogError(_("No files to display"));
        return nullptr;
    }
    settings.captions = m_captions->GetValue();
    settings.delayMs = m_automatic->GetValue() ? m_delay->GetValue() * 1000 : 0;
    settings.largeFont = m_largeFont->GetValue();
    settings.random = m_random->GetValue();
    return new SlideShowFrame(GetParent(), pictures, songs, settings,
                              std::make_unique<Brenmarle::CountryListNames>());
}
