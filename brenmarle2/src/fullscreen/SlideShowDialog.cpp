#include "fullscreen/SlideShowDialog.h"

#include <algorithm>
#include <random>

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statline.h>
#include <wx/stattext.h>

#include "core/Exceptions.h"
#include "database/Database.h"
#include "slideshow/CataloguePictures.h"
#include "slideshow/CountryListNames.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "ui/Accessibility.h"

namespace {

constexpr int PULSE_MS = 100;

// Lists the pictures of the whole catalogue, on the dialog's runner.
class CatalogueListingTask : public Quorvel::Task {
public:
    explicit CatalogueListingTask(Brenmarle::Database& database) : m_database(database) {}

    void run() override
    {
        try {
            m_rows =
                Brenmarle::CataloguePictures::rowIds(m_database, [this] { return isAborted(); });
        } catch (const Brenmarle::DatabaseException&) {
            checkAbort(); // an interrupted query is a stop, not a failure
            throw;
        }
        checkAbort();
    }

    // GUI thread, once the task has finished.
    std::vector<int64_t> takeRows() { return std::move(m_rows); }

private:
    ~CatalogueListingTask() override = default;

    Brenmarle::Database& m_database;
    std::vector<int64_t> m_rows;
};

// The white band at the top of the dialog, with its title: a label, so a screen reader reads
// it with the rest of the dialog.
class HeaderPanel : public wxPanel {
public:
    explicit HeaderPanel(wxWindow* parent) : wxPanel(parent, wxID_ANY)
    {
        SetBackgroundColour(*wxWHITE);
        SetName(_("Start a Slide Show"));
        const wxString label = _("Start a Slide Show");
        auto* title = new wxStaticText(this, wxID_ANY, label, wxPoint(10, 10));
        const wxFont bold = title->GetFont().Bold();
        title->SetFont(bold);
        title->SetForegroundColour(*wxBLACK);
        // The label measured itself in the regular font, and GTK takes the bold one up only
        // later: sized for the bold text now, or its end is cut off.
        // A blank more than the text: the measure and the label's own round apart by a pixel.
        wxSize text;
        GetTextExtent(label + " ", &text.x, &text.y, nullptr, nullptr, &bold);
        text.IncTo(title->GetBestSize());
        title->SetSize(text);
        SetMinSize(wxSize(text.x + 20, std::max(30, 10 + text.y + 4)));
        SetCanFocus(false);
    }

    // Nothing here to act on: the focus passes it by.
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }
};

} // namespace

SlideShowDialog::SlideShowDialog(wxWindow* parent, const std::vector<wxString>& selection,
                                 const std::vector<wxString>& folder, bool folderIsAlbum,
                                 const std::vector<Brenmarle::MusicList::Song>& songs)
    : wxDialog(parent, wxID_ANY, _("Create Slide Show")), m_selection(selection), m_folder(folder),
      m_pulseTimer(this)
{
    SetName(wxS("Create Slide Show"));
    auto* top = new wxBoxSizer(wxVERTICAL);
    top->Add(new HeaderPanel(this), 0, wxEXPAND);
    top->Add(new wxStaticLine(this), 0, wxEXPAND);

    auto* body = new wxBoxSizer(wxVERTICAL);
    m_scope = new wxChoice(this, wxID_ANY);
    Quorvel::setAccessibleName(*m_scope, _("Pictures to show"));
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
    Quorvel::setAccessibleName(*m_delay, _("Delay (in seconds)"));
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
    Quorvel::setAccessibleName(*m_music, _("Background music"));
    m_music->Append(_("No background music"));
    m_music->Append(_("Pick one random song"));
    m_music->Append(_("Play all songs in random order"));
    m_songPaths.assign(3, wxString());
    for (const Brenmarle::MusicList::Song& song : songs) {
        m_music->Append(song.label);
        m_songPaths.push_back(song.path);
    }
    m_music->SetSelection(NO_MUSIC);
    body->Add(m_music, 0, wxEXPAND | wxBOTTOM, 10);
    m_listingText = new wxStaticText(this, wxID_ANY, _("Finding the pictures to show..."));
    m_listingGauge = new wxGauge(this, wxID_ANY, 100);
    Quorvel::setAccessibleName(*m_listingGauge, _("Finding the pictures to show..."));
    body->Add(m_listingText, 0, wxBOTTOM, 4);
    body->Add(m_listingGauge, 0, wxEXPAND);
    top->Add(body, 1, wxEXPAND | wxALL, 12);

    auto* buttons = new wxStdDialogButtonSizer();
    m_startButton = new wxButton(this, wxID_OK, _("Start"));
    m_startButton->SetDefault();
    buttons->AddButton(m_startButton);
    buttons->AddButton(new wxButton(this, wxID_CANCEL, _("Cancel")));
    buttons->Realize();
    top->Add(buttons, 0, wxEXPAND | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    m_startButton->Bind(wxEVT_BUTTON, &SlideShowDialog::onStart, this);
    Bind(wxEVT_BUTTON, &SlideShowDialog::onCancel, this, wxID_CANCEL);
    Bind(Quorvel::EVT_TASK_FINISHED, &SlideShowDialog::onListed, this);
    Bind(Quorvel::EVT_TASK_FAILED, &SlideShowDialog::onListingFailed, this);
    Bind(wxEVT_TIMER, [this](wxTimerEvent&) { m_listingGauge->Pulse(); });

    m_delay->Enable(m_automatic->GetValue());
    delayLabel->Enable(m_automatic->GetValue());
    m_automatic->Bind(wxEVT_CHECKBOX, [this, delayLabel](wxCommandEvent& event) {
        m_delay->Enable(event.IsChecked());
        delayLabel->Enable(event.IsChecked());
    });
    SetSizerAndFit(top);
    showListing(false);
    CentreOnParent();
}

SlideShowDialog::~SlideShowDialog()
{
    m_pulseTimer.Stop();
    if (m_runner) {
        // The query notices the abort at its next step; nothing is told about it any more.
        m_runner->removeListener(this);
        m_runner->abortAll(true);
    }
}

void SlideShowDialog::showListing(bool listing)
{
    m_listing = listing;
    m_listingText->Show(listing);
    m_listingGauge->Show(listing);
    m_startButton->Enable(!listing);
    m_scope->Enable(!listing);
    if (listing)
        m_pulseTimer.Start(PULSE_MS);
    else
        m_pulseTimer.Stop();
    Layout();
}

void SlideShowDialog::run(wxWindow* parent, const std::vector<wxString>& selection,
                          const std::vector<wxString>& folder, bool folderIsAlbum)
{
    SlideShowDialog dialog(parent, selection, folder, folderIsAlbum,
                           Brenmarle::MusicList::read(Quorvel::Environment::getResourceDir()));
    // "Start" opens the show and ends the dialog.
    dialog.ShowModal();
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

bool SlideShowDialog::isCatalogueChosen() const
{
    const int entry = m_scope->GetSelection();
    return entry == wxNOT_FOUND ||
           static_cast<int>(reinterpret_cast<wxIntPtr>(
               m_scope->GetClientData(static_cast<unsigned>(entry)))) == CATALOGUE;
}

std::vector<wxString> SlideShowDialog::chosenPictureUris() const
{
    if (isCatalogueChosen())
        return {};
    const int entry = m_scope->GetSelection();
    const auto tag = static_cast<int>(
        reinterpret_cast<wxIntPtr>(m_scope->GetClientData(static_cast<unsigned>(entry))));
    return tag == FOLDER ? m_folder : m_selection;
}

void SlideShowDialog::start(SlideShowFrame::Settings settings)
{
    if (m_listing)
        return;
    settings.captions = m_captions->GetValue();
    settings.delayMs = m_automatic->GetValue() ? m_delay->GetValue() * 1000 : 0;
    settings.largeFont = m_largeFont->GetValue();
    settings.random = m_random->GetValue();
    m_settings = settings;
    if (!isCatalogueChosen()) {
        open(Brenmarle::SlidePictures::ofUris(chosenPictureUris()));
        return;
    }
    try {
        if (!m_runner)
            m_runner = std::make_unique<Quorvel::TaskRunnerThread>();
        m_runner->addTask(
            Quorvel::makeRef<CatalogueListingTask>(Brenmarle::Database::getInstance()), this);
        showListing(true);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[SLIDESHOW] Could not list the pictures: %s", e.getMessage());
        open(Brenmarle::SlidePictures());
    }
}

void SlideShowDialog::onStart(wxCommandEvent&)
{
    start(m_settings);
}

void SlideShowDialog::onCancel(wxCommandEvent& event)
{
    if (m_runner && m_listing)
        m_runner->abortAll(true);
    showListing(false);
    event.Skip(); // the dialog closes as usual
}

void SlideShowDialog::onListed(Quorvel::TaskEvent& event)
{
    auto* task = dynamic_cast<CatalogueListingTask*>(event.getTask().get());
    if (!task || !m_listing)
        return;
    showListing(false);
    open(Brenmarle::SlidePictures::ofRows(task->takeRows(), Brenmarle::Database::getInstance()));
}

void SlideShowDialog::onListingFailed(Quorvel::TaskEvent& event)
{
    if (!m_listing)
        return;
    showListing(false);
    QDEBUG("[SLIDESHOW] Could not list the pictures: %s", event.getErrorMessage());
    open(Brenmarle::SlidePictures());
}

void SlideShowDialog::open(Brenmarle::SlidePictures pictures)
{
    if (pictures.empty()) {
        wxLogError(_("No files to display"));
    } else {
        m_show = new SlideShowFrame(GetParent(), std::move(pictures), chosenSongs(), m_settings,
                                    std::make_unique<Brenmarle::CountryListNames>());
    }
    if (IsModal())
        EndModal(m_show ? wxID_OK : wxID_CANCEL);
}
