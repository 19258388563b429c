#pragma once
// The start page: the program's short name, what the catalogue holds (pictures, favourites,
// albums, pictures waiting in the inbox) and the sticky-note reminder the user writes for
// themselves, kept under "Reminder/Text" in the user configuration.
//
// The counts follow the catalogue: the file manager's news of files added, removed or changed
// (an import, a spool item, a deletion, a favourite) and of albums made or deleted reads them
// again, once per burst of news and only while the page is on screen (showing the page reads
// them anyway). They are counted on a runner of the page's own: over a large catalogue the
// count of favourites alone reads every row.
//
// GUI thread only.

#include <memory>

#include <wx/panel.h>
#include <wx/timer.h>

class wxStaticText;
class wxTextCtrl;
namespace Quorvel {
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel

class WelcomePage : public wxPanel {
public:
    // How long after the first news of a burst the counts are read again.
    static constexpr int REFRESH_DELAY_MS = 250;

    WelcomePage(wxWindow* parent, const wxString& shortName);
    ~WelcomePage() override;

    // Reads the counts again from the catalogue, in the background; the text changes once they
    // are read.
    void refresh();
    // Stores the reminder (also done as the user types).
    void saveReminder();

    wxString getCountsText() const;
    wxTextCtrl* getReminder() const { return m_reminder; }

private:
    class CountTask;

    void onCatalogueNews(wxEvent& event);
    void onCounted(Quorvel::TaskEvent& event);
    void onCountFailed(Quorvel::TaskEvent& event);
    void countingEnded();

    wxStaticText* m_counts;
    wxTextCtrl* m_reminder;
    wxTimer m_refreshTimer;
    // Made at the first count.
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
    bool m_counting = false;
    // News came while a count ran: one more follows it.
    bool m_countAgain = false;
};
