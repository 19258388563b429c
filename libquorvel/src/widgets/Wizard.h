#pragma once
// The frame of every assistant of the program: a modal dialog showing one page at a time from
// a stack of pages, with a header band (title, status line, busy indicator), a side bar of
// steps, and Back, Next and Cancel. Each button press, and each event of the wizard's own
// tasks and slaves, goes first to the current page; a page that does not handle it (its
// handler throws, as the defaults do) leaves it to the wizard's own handler of the same name.
// A failed task or slave is shown on an error page, from which the user goes back or, for
// network failures, retries from the nearest retry point below it.
//
// The long work of the pages runs on the wizard's own task runner (priority 0) and slave
// manager, made on first use and stopped by Cancel and by the destructor. While a task or
// slave started through runTask()/runSlave() with a busy text runs, the wizard is busy: the
// header shows the text and animates five squares, and Back is disabled, so the page that
// started the work stays on the stack. Events of work whose starting page has left the stack
// anyway (a page popped itself or another) are dropped rather than handed to whatever page is
// on top now.
//
// Pages removed by popPages() are destroyed once control is back in the event loop, so a page
// may pop itself from its own handler (Retry does).
//
// GUI thread only. The wizard owns its pages (they are children of its page container).

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include <wx/bitmap.h>
#include <wx/dialog.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "threads/ReferenceCounted.h"
#include "threads/Task.h"

class wxAnyButton;
class wxBoxSizer;
class wxButton;
class wxHyperlinkCtrl;

namespace Quorvel {

class PageContainer;
class Slave;
class SlaveManager;
class SlaveManagerEvent;
class TaskEvent;
class TaskRunnerThread;

class Wizard : public wxDialog {
public:
    class Page;
    class ErrorPage;
    class NetworkErrorPage;
    class LeftPanel;
    class Header;

    static constexpr wxWindowID ID_NEXT = 6001;
    static constexpr wxWindowID ID_BACK = 6002;
    // The id the wizard listens to its slave manager under.
    static constexpr int SLAVE_LISTENER_ID = 1;
    // One step of the busy animation.
    static constexpr int BUSY_TICK_MS = 333;
    // The failure code that offers Retry.
    static constexpr const char* CONNECTION_REFUSED = "Network.ConnectionRefused";

    // What the status line of the header shows, in order of precedence.
    struct HeaderStatus {
        enum Kind { NoPage, Busy, Error, Warning, Description };
        Kind kind;
        wxString text;
    };

    // Opens a help topic; the application installs it. Without one the wizards show no help
    // link.
    using HelpHandler = std::function<void(const wxString& topic)>;
    static void setHelpHandler(HelpHandler handler);

    Wizard(wxWindow* parent, wxWindowID id, const wxString& title,
           long style = wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER);
    ~Wizard() override;

    // The page stack. pushPage() takes ownership and shows the page (a child of
    // getPageContainer()). popPage() hands the removed page back to the caller, who then owns
    // it; popPages() destroys the removed pages once control is back in the event loop.
    void pushPage(Page* page);
    Page* popPage();
    void popPages(std::size_t count);
    // The top of the stack, or null.
    Page* getCurrentPage() const;
    std::size_t getPageCount() const { return m_pages.size(); }
    wxWindow* getPageContainer() const;

    // On the first page, Back is enabled and ends the wizard with ID_BACK.
    void setBackLeavesWizard(bool leaves) { m_backLeavesWizard = leaves; }
    bool getBackLeavesWizard() const { return m_backLeavesWizard; }

    // ID_BACK, ID_NEXT, wxID_CANCEL. While the wizard is busy Back stays disabled; enabling it
    // then takes effect when the work ends.
    void enableButton(wxWindowID id, bool enable = true);
    void disableButton(wxWindowID id) { enableButton(id, false); }
    // An empty label hides the button.
    void setButtonLabel(wxWindowID id, const wxString& label);
    wxButton* getButton(wxWindowID id) const;
    void hideHelpLink();
    // The "Show Help" link (wxID_HELP), or null once hidden.
    wxHyperlinkCtrl* getHelpLink() const;

    void setDefaultTitle(const wxString& title) { m_defaultTitle = title; }
    const wxString& getDefaultTitle() const { return m_defaultTitle; }
    // The current page's title, or the default title when that is empty.
    wxString getShownTitle() const;

    // The side bar: the steps, and a picture above them.
    void setStepNames(const std::vector<wxString>& names);
    const std::vector<wxString>& getStepNames() const { return m_stepNames; }
    void setSideBarPicture(const wxBitmap& picture);
    const wxBitmap& getSideBarPicture() const { return m_sideBarPicture; }

    // The busy indicator. startBusy() restarts the animation at the first square.
    void startBusy(const wxString& text);
    void stopBusy();
    bool isBusy() const { return m_busy; }
    const wxString& getBusyText() const { return m_busyText; }
    // The square lit now (0 to 4), or -1 when not busy; the light runs 0 1 2 3 4 3 2 1 0 ...
    int getLitBusySquare() const;
    static int litBusySquare(int counter);
    // The timer that drives the animation (tests fire it by hand).
    wxTimer& getBusyTimer() { return m_busyTimer; }

    // Runs `task` on the wizard's task runner with the wizard as listener: disables Next and
    // makes the wizard busy. The variant with texts shows `busyText` meanwhile and keeps
    // `operation` (what the work does) for an error page. The first call starts the runner's
    // thread and throws RuntimeException when it cannot. (Quorvel::Ref is spelled out: inside a
    // wxObject a plain Ref names wxObject::Ref.)
    void runTask(const Quorvel::Ref<Task>& task);
    void runTask(const Quorvel::Ref<Task>& task, const wxString& busyText,
                 const wxString& operation);
    // Queues `slave` on the wizard's slave manager at `position` (beyond the end appends). The
    // plain variant leaves Next and the busy state alone. The first call starts the manager's
    // thread and throws RuntimeException when it cannot.
    void runSlave(std::unique_ptr<Slave> slave, std::size_t position = SIZE_MAX);
    void runSlave(std::unique_ptr<Slave> slave, std::size_t position, const wxString& busyText,
                  const wxString& operation);
    const wxString& getOperationDescription() const { return m_operation; }
    void setOperationDescription(const wxString& operation) { m_operation = operation; }

    // Shows a failure (`code`, `message`) of the current operation on an error page; the
    // network error page, which offers Retry, for a code offersRetry() takes.
    void showFailure(const wxString& code, const wxString& message);

    // Asks the current page for its header messages and repaints the header.
    void updateHeader();
    HeaderStatus getHeaderStatus() const;

    // Removes the pages above the nearest retry point and runs its operation again; nothing
    // without one.
    void retryOperation();

    // Ends the wizard with `code`: ends the modal loop, or hides a wizard shown modelessly.
    void endWizard(int code);

protected:
    // The wizard's own handlers, run when the current page does not handle the call. onNext
    // and the aborted, progress and succeeded handlers do nothing.
    virtual void onCancel(wxCommandEvent& event);
    virtual void onNext(wxCommandEvent& event);
    virtual void onBack(wxCommandEvent& event);
    virtual void onHelp(wxCommandEvent& event);
    virtual void onSlaveAborted(SlaveManagerEvent& event);
    virtual void onSlaveFailed(SlaveManagerEvent& event);
    virtual void onSlaveProgress(SlaveManagerEvent& event);
    virtual void onSlaveSucceeded(SlaveManagerEvent& event);
    virtual void onTaskAborted(TaskEvent& event);
    virtual void onTaskFailed(TaskEvent& event);
    virtual void onTaskProgress(TaskEvent& event);
    virtual void onTaskSucceeded(TaskEvent& event);
    // Whether a failure `code` of the current page's operation may be retried as it is:
    // CONNECTION_REFUSED (nothing reached the server) by default.
    virtual bool offersRetry(const wxString& code) const { return code == CONNECTION_REFUSED; }

private:
    // The page on top when work was started; the work's events are dropped once it has left
    // the stack. No page: the work belongs to the wizard and its events always count.
    struct Origin {
        bool fromPage = false;
        wxWeakRef<wxWindow> page;
    };

    void buildLayout();
    wxBoxSizer* makeButtonRow();
    void showTopPage();
    void applyBackState();
    void destroyPoppedPages();
    void refreshHeader();
    void refreshBusyStrip();
    void describeCurrentPage();
    void onBusyTimer(wxTimerEvent& event);
    void stopWork(bool quiet);

    Origin currentOrigin() const;
    bool isGone(const Origin& origin) const;
    TaskRunnerThread& taskRunner();
    SlaveManager& slaveManager();

    template <typename Handler>
    void routeButton(wxCommandEvent& event, Handler pageHandler,
                     void (Wizard::*own)(wxCommandEvent&));
    template <typename E, typename Handler>
    void routeWorkEvent(E& event, Handler pageHandler, void (Wizard::*own)(E&));
    void onTaskEvent(TaskEvent& event);
    void onSlaveEvent(SlaveManagerEvent& event);

    std::vector<Page*> m_pages;
    std::vector<Page*> m_poppedPages;
    bool m_backLeavesWizard = false;
    // What the page stack and the pages ask of Back; it is enabled only when not busy too.
    bool m_backWanted = false;
    wxString m_defaultTitle;

    Header* m_header = nullptr;
    LeftPanel* m_sideBar = nullptr;
    PageContainer* m_pageContainer = nullptr;
    wxBoxSizer* m_buttonRow = nullptr;
    wxHyperlinkCtrl* m_helpLink = nullptr;
    std::vector<wxString> m_stepNames;
    wxBitmap m_sideBarPicture;

    std::unique_ptr<SlaveManager> m_slaveManager;
    std::unique_ptr<TaskRunnerThread> m_taskRunner;
    // The wizard's work in flight and the page that started it.
    std::map<const Task*, std::pair<Quorvel::Ref<Task>, Origin>> m_taskOrigins;
    std::map<uint64_t, Origin> m_slaveOrigins;

    bool m_busy = false;
    wxString m_busyText;
    int m_animationCounter = 0;
    wxTimer m_busyTimer;
    wxString m_operation;
    wxString m_headerError;
    wxString m_headerWarning;
};

} // namespace Quorvel
