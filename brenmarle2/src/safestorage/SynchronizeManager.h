#pragma once
// Decides when the pictures in safe storage are synchronised with the storage service. Changes
// raise an urgency level (0..5); the level picks the delay of a one-shot timer, and when it
// runs out a synchronisation task is queued on the manager's own runner. The level is kept in
// the user configuration ("SafeStorage/SyncLevel"), so a synchronisation still due when the
// program ends runs at the next start.
//
//   level 0  idle                      level 3  within 3 minutes (metadata, moves, deletions)
//   level 1  nothing scheduled         level 4  within 10 seconds (content edits)
//   level 2  within 10 minutes (retry) level 5  within 2 seconds (synchronise now)
//
// The timer runs only while the user has an account. The manager listens to the file manager:
// an edit of a stored picture raises the level (content 4, metadata 3), a deletion or move of
// one raises it to 3 (the catalogue journals the operation itself, in the same transaction as
// the change). Listeners (the status panel) get SYNCHRONIZE_STATUS whenever what they show may
// have changed, and read getStatus().
//
// The task itself comes from a factory, so the manager does not depend on what a run does.
//
// GUI thread only (the runner reports back through task events handled there). Lifetime: one
// per application, made after the catalogue and the file manager and destroyed before them;
// the destructor aborts a running task and waits for it.

#include <cstdint>
#include <functional>
#include <memory>

#include <wx/event.h>
#include <wx/timer.h>

#include "threads/EventBroadcaster.h"
#include "threads/ReferenceCounted.h"
#include "threads/Task.h"

namespace Quorvel {
class Configuration;
class TaskEvent;
class TaskRunnerThread;
} // namespace Quorvel
namespace Brenmarle {
class Database;
class FileEvent;
} // namespace Brenmarle

class SynchronizeManager : public wxEvtHandler, public Quorvel::EventBroadcaster {
public:
    // Makes the task that performs one synchronisation (called on the GUI thread when the
    // timer runs out). A null task is treated as a failed run.
    using TaskFactory = std::function<Quorvel::Ref<Quorvel::Task>()>;
    // Tells the user about a failed run (the text is complete); wxLogError by default.
    using ErrorReporter = std::function<void(const wxString& text)>;

    static constexpr int MAX_LEVEL = 5;
    static constexpr const char* LEVEL_KEY = "SafeStorage/SyncLevel";

    enum class Status {
        Idle,      // nothing due, nothing to report
        Scheduled, // a run is due (getLevel() says how soon)
        Running,   // a run is under way
        Paused,    // a run is due but the user paused it
        Succeeded, // the last run succeeded and nothing new is due
        Failed,    // the last run failed; a retry is scheduled when getLevel() > 0
    };

    // Reads the stored level and arms the timer for it. `configuration` and `database` must
    // outlive the manager. Listens to the file manager when there is one.
    SynchronizeManager(Quorvel::Configuration& configuration, Brenmarle::Database& database,
                       TaskFactory factory);
    ~SynchronizeManager() override;
    SynchronizeManager(const SynchronizeManager&) = delete;
    SynchronizeManager& operator=(const SynchronizeManager&) = delete;

    void setErrorReporter(ErrorReporter reporter) { m_reportError = std::move(reporter); }

    // 0 sets the level to 0; any other level raises it (a lower one never lowers it). Then
    // stores it and arms the timer. Throws Quorvel::LogicException outside 0..MAX_LEVEL.
    void setLevel(int level);
    int getLevel() const { return m_level; }
    // Level 5.
    void synchronizeNow() { setLevel(MAX_LEVEL); }

    // Stops the timer and aborts a running task; no run starts until the timer is armed
    // again (any setLevel(), resume(), or a new account).
    void pause();
    void resume();
    bool isPaused() const { return m_paused; }

    // The account may have changed (logged in, logged out): when it did, the journal of
    // operations recorded for the previous account is dropped and the level returns to 0.
    void accountChanged();

    // The timer ran out: queues a run unless one is running or the manager is paused. Public
    // so tests drive the timer without waiting for it.
    void expire();
    bool isTimerArmed() const;
    // The delay the timer was last armed with, in milliseconds (0 when it is stopped).
    int getTimerDelayMs() const { return m_delayMs; }
    // The timer's delay for `level`, in milliseconds; 0 means no timer.
    static int delayForLevel(int level);

    // A synchronisation is due for the user's account (closing now leaves changes unsent).
    bool isDue() const;
    Status getStatus() const;
    bool isRunning() const { return m_running; }
    // The progress line of the run under way; the code and message of the last failure.
    const wxString& getProgressText() const { return m_progressText; }
    const wxString& getErrorCode() const { return m_errorCode; }
    const wxString& getErrorMessage() const { return m_errorMessage; }
    // Whether the last failure was the network's (no connection) rather than the service's.
    bool isConnectionError() const;

private:
    bool hasAccount() const;
    wxString currentAccountId() const;
    // Restarts the timer for the current level (or stops it); clears the pause.
    void arm();
    void storeLevel();
    void sendStatus();
    // Raises the level for a change of a stored picture; a pending immediate run is put off to
    // the change's own delay.
    void raiseForChange(int level);

    void onTimer(wxTimerEvent& event);
    void onFileEvent(Brenmarle::FileEvent& event);
    void onTaskStarted(Quorvel::TaskEvent& event);
    void onTaskProgress(Quorvel::TaskEvent& event);
    void onTaskFinished(Quorvel::TaskEvent& event);
    void onTaskFailed(Quorvel::TaskEvent& event);
    void onTaskAborted(Quorvel::TaskEvent& event);
    // A run ended: the level the changes made meanwhile asked for is applied again.
    void endRun();

    Quorvel::Configuration& m_configuration;
    Brenmarle::Database& m_database;
    TaskFactory m_factory;
    ErrorReporter m_reportError;
    wxTimer m_timer;
    int m_delayMs = 0;
    int m_level = 0;
    bool m_paused = false;
    bool m_running = false;
    // The highest level asked for while a run was under way: those changes may have come too
    // late for it.
    int m_levelDuringRun = 0;
    bool m_lastRunFailed = false;
    bool m_lastRunSucceeded = false;
    wxString m_accountId;
    wxString m_progressText;
    wxString m_errorCode;
    wxString m_errorMessage;
    bool m_listening = false;
    std::unique_ptr<Quorvel::TaskRunnerThread> m_runner;
};

// Sent (synchronously, on the GUI thread) to listeners when the status may have changed.
wxDECLARE_EVENT(SYNCHRONIZE_STATUS, wxCommandEvent);
