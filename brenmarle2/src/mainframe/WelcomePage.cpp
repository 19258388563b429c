#include "mainframe/WelcomePage.h"

#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "database/Database.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "filemanager/FolderEvent.h"
#include "folders/AlbumFolder.h"
#include "folders/InboxFolder.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "ui/Accessibility.h"

// Reads what the page says the catalogue holds, on the page's runner.
class WelcomePage::CountTask : public Quorvel::Task {
public:
    void run() override
    {
        Brenmarle::Database& database = Brenmarle::Database::getInstance();
        pictures = database.getFileCount();
        favorites = database.getFavoriteCount();
        albums = static_cast<int>(Brenmarle::AlbumFolder::getAlbums().size());
        // The inbox's list is in memory; counting it asks the catalogue nothing.
        if (Brenmarle::FileManager::exists())
            waiting = Brenmarle::FileManager::get()
                          .getFolder(Brenmarle::InboxFolder::URI)
                          ->getFileCount();
    }

    int pictures = 0;
    int favorites = 0;
    int albums = 0;
    int waiting = 0;
};

WelcomePage::WelcomePage(wxWindow* parent, const wxString& shortName) : wxPanel(parent, wxID_ANY)
{
    SetName("WelcomePage");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, wxString::Format(_("Welcome to %s"), shortName));
    title->SetFont(title->GetFont().Scaled(1.8f).Bold());
    sizer->Add(title, 0, wxALL, 24);
    m_counts = new wxStaticText(this, wxID_ANY, wxString());
    m_counts->SetFont(m_counts->GetFont().Larger());
    sizer->Add(m_counts, 0, wxLEFT | wxRIGHT, 24);

    auto* noteLabel = new wxStaticText(this, wxID_ANY, _("Reminder note:"));
    sizer->Add(noteLabel, 0, wxLEFT | wxRIGHT | wxTOP, 24);
    m_reminder = new wxTextCtrl(this, wxID_ANY, wxString(), wxDefaultPosition, wxSize(360, 160),
                                wxTE_MULTILINE);
    m_reminder->SetName("Reminder");
    Quorvel::setAccessibleName(*m_reminder, _("Reminder note"));
    // A sticky note: pale yellow whatever the theme, with dark text on it.
    m_reminder->SetBackgroundColour(wxColour(255, 247, 170));
    m_reminder->SetForegroundColour(*wxBLACK);
    m_reminder->SetHint(_("Write yourself a note here"));
    wxString text;
    if (auto* configuration = Quorvel::Configuration::get())
        configuration->getUserConfig().readString("Reminder/Text", text, wxString());
    m_reminder->ChangeValue(text);
    m_reminder->Bind(wxEVT_TEXT, [this](wxCommandEvent&) { saveReminder(); });
    sizer->Add(m_reminder, 0, wxALL, 24);
    SetSizer(sizer);

    m_refreshTimer.SetOwner(this);
    Bind(
        wxEVT_TIMER, [this](wxTimerEvent&) { refresh(); }, m_refreshTimer.GetId());
    Bind(Brenmarle::FILE_ADDED, &WelcomePage::onCatalogueNews, this);
    Bind(Brenmarle::FILE_REMOVED, &WelcomePage::onCatalogueNews, this);
    Bind(Brenmarle::FILE_CHANGED, &WelcomePage::onCatalogueNews, this);
    Bind(Brenmarle::FOLDER_ADDED, &WelcomePage::onCatalogueNews, this);
    Bind(Brenmarle::FOLDER_DELETED, &WelcomePage::onCatalogueNews, this);
    Bind(Quorvel::EVT_TASK_FINISHED, &WelcomePage::onCounted, this);
    Bind(Quorvel::EVT_TASK_FAILED, &WelcomePage::onCountFailed, this);
    Bind(Quorvel::EVT_TASK_ABORTED, &WelcomePage::onCountFailed, this);
    if (Brenmarle::FileManager::exists())
        Brenmarle::FileManager::get().addListener(this, GetId());
    refresh();
}

WelcomePage::~WelcomePage()
{
    m_refreshTimer.Stop();
    if (Brenmarle::FileManager::exists())
        Brenmarle::FileManager::get().removeListener(this);
    // A count under way ends first (it takes milliseconds); nothing more reaches this page.
    if (m_runner)
        m_runner->removeListener(this);
    m_runner.reset();
}

void WelcomePage::onCatalogueNews(wxEvent&)
{
    // Deleting 10,000 pictures is 10,000 pieces of news: the counts are read once for them.
    if (IsShownOnScreen() && !m_refreshTimer.IsRunning())
        m_refreshTimer.StartOnce(REFRESH_DELAY_MS);
}

wxString WelcomePage::getCountsText() const
{
    return m_counts->GetLabel();
}

void WelcomePage::refresh()
{
    if (!Brenmarle::Database::getInstance().isOpen()) {
        m_counts->SetLabel(_("The picture catalogue could not be opened."));
        return;
    }
    if (m_counting) {
        m_countAgain = true;
        return;
    }
    try {
        if (!m_runner)
            m_runner = std::make_unique<Quorvel::TaskRunnerThread>();
        m_runner->addTask(Quorvel::makeRef<CountTask>(), this);
        m_counting = true;
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[WELCOMEPAGE] %s", e.getMessage());
    }
}

void WelcomePage::onCounted(Quorvel::TaskEvent& event)
{
    const auto& counted = static_cast<const CountTask&>(*event.getTask());
    wxString text = wxString::Format(wxPLURAL("Your catalogue holds %d picture",
                                              "Your catalogue holds %d pictures", counted.pictures),
                                     counted.pictures);
    text +=
        wxString::Format(wxPLURAL(" in %d album", " in %d albums", counted.albums), counted.albums);
    text += wxString::Format(
        wxPLURAL("; %d of them is a favorite.", "; %d of them are favorites.", counted.favorites),
        counted.favorites);
    text += "\n";
    text += counted.waiting == 0
                ? _("No new pictures are waiting in the Picture Inbox.")
                : wxString::Format(wxPLURAL("%d new picture is waiting in the Picture Inbox.",
                                            "%d new pictures are waiting in the Picture Inbox.",
                                            counted.waiting),
                                   counted.waiting);
    m_counts->SetLabel(text);
    Layout();
    countingEnded();
}

void WelcomePage::onCountFailed(Quorvel::TaskEvent& event)
{
    QDEBUG("[WELCOMEPAGE] %s", event.getErrorMessage());
    countingEnded();
}

void WelcomePage::countingEnded()
{
    m_counting = false;
    if (m_countAgain) {
        m_countAgain = false;
        refresh();
    }
}

void WelcomePage::saveReminder()
{
    if (auto* configuration = Quorvel::Configuration::get())
        configuration->getUserConfig().writeString("Reminder/Text", m_reminder->GetValue());
}
