#pragma once
// The safe-storage line at the bottom of the main window: what the synchronisation is doing
// (scheduled, running, paused, failed, done) in a heading and a detail line, with the links
// that act on it ("Start now", "Pause", "Resume synchronization", "Retry now"). Hidden while
// there is nothing to tell (no account, nothing due and no run yet).
//
// A thin view over SynchronizeManager: it listens to the manager's status events and reads its
// status. GUI thread only. The manager must outlive the panel or be taken back with
// setManager(nullptr).

#include <wx/panel.h>

class SynchronizeManager;
class wxCommandEvent;
class wxHyperlinkCtrl;
class wxStaticText;

class SynchronizePanel : public wxPanel {
public:
    SynchronizePanel(wxWindow* parent, SynchronizeManager* manager);
    ~SynchronizePanel() override;

    void setManager(SynchronizeManager* manager);

    // What the panel shows now (for tests and the accessibility check).
    wxString getHeading() const;
    wxString getDetail() const;
    wxString getNote() const;
    wxHyperlinkCtrl* getStartNowLink() const { return m_startNow; }
    wxHyperlinkCtrl* getPauseLink() const { return m_pause; }
    wxHyperlinkCtrl* getResumeLink() const { return m_resume; }
    wxHyperlinkCtrl* getRetryLink() const { return m_retry; }

    // Asks whether to close the program while a synchronisation is due ("Close program without
    // synchronizing?"); true when nothing is due or the user chose "Close".
    static bool confirmClose(wxWindow* parent, const SynchronizeManager* manager);

private:
    wxHyperlinkCtrl* addLink(const wxString& label, void (SynchronizePanel::*action)());
    void startNow();
    void pause();
    void resume();
    void refresh();
    void show(const wxString& heading, const wxString& detail, const wxString& note,
              std::initializer_list<wxHyperlinkCtrl*> links);
    void onStatus(wxCommandEvent& event);

    SynchronizeManager* m_manager = nullptr;
    wxStaticText* m_heading = nullptr;
    wxStaticText* m_detail = nullptr;
    wxStaticText* m_note = nullptr;
    wxHyperlinkCtrl* m_startNow = nullptr;
    wxHyperlinkCtrl* m_pause = nullptr;
    wxHyperlinkCtrl* m_resume = nullptr;
    wxHyperlinkCtrl* m_retry = nullptr;
};
