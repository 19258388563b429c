#pragma once
// Runs one file task (copy, move or delete) in the background and shows its progress window
// only when the work takes a while: the window opens when the delay has passed and the task is
// still running. A failure always shows the window with the reason ("File operation failed"),
// except for a task the user stopped: the window that "Stop" hid stays hidden and the task
// ends quietly.
//
// Threads: GUI thread only. The task runs on the runner's slave manager thread; its progress,
// end and failure come back as posted events.
// Lifetime: held by the window or object that started the operation. Destroying the runner
// stops the task after the file in hand and waits for it; events still queued for the runner
// are dropped, and its progress window is destroyed unless it shows a failure still to be read
// (that window then belongs to the toolkit and goes when the user closes it).

#include <functional>
#include <memory>

#include <wx/event.h>
#include <wx/timer.h>
#include <wx/weakref.h>

#include "dialogs/FileTaskDialog.h"

namespace Brenmarle {
class FileTask;
}
namespace Quorvel {
class SlaveManager;
class SlaveManagerEvent;
} // namespace Quorvel

class FileTaskRunner : public wxEvtHandler {
public:
    enum class Operation { Copy = 0, Move = 1, Delete = 2, Unsupported = -1 };
    enum class State { Refused, Running, Succeeded, Failed };
    // Told once when the task has ended (succeeded or failed, stopped included); it may
    // destroy the runner.
    using FinishedHandler = std::function<void(FileTaskRunner&)>;

    // How long an operation may take before its window appears, unless the caller says.
    static constexpr int DEFAULT_DELAY_MS = 1000;

    // Starts `task` at once. With `delayMs` 0 the progress window opens at once. A task other
    // than a copy, move or delete is refused: "Unsupported file operation" is logged as an error
    // and the task destroyed. `parent` (may be null) is the progress window's parent.
    // Throws Quorvel::RuntimeException when the worker thread cannot be started.
    FileTaskRunner(std::unique_ptr<Brenmarle::FileTask> task, int delayMs,
                   wxWindow* parent = nullptr);
    ~FileTaskRunner() override;
    FileTaskRunner(const FileTaskRunner&) = delete;
    FileTaskRunner& operator=(const FileTaskRunner&) = delete;

    void setFinishedHandler(FinishedHandler handler);

    Operation getOperation() const { return m_operation; }
    State getState() const { return m_state; }
    // The message of the failure that ended the task; empty unless it failed.
    const wxString& getFailureText() const { return m_failureText; }
    // The progress window; null until it opens and once it is gone.
    FileTaskDialog* getDialog() const { return m_dialog.get(); }
    // The delay is counting: the window may still open.
    bool isDelayRunning() const { return m_delay.IsRunning(); }

private:
    static Operation operationOf(const Brenmarle::FileTask& task);

    wxString getTitle() const;
    void openDialog();
    void onDelayElapsed(wxTimerEvent& event);
    void onProgress(Quorvel::SlaveManagerEvent& event);
    void onSuccess(Quorvel::SlaveManagerEvent& event);
    void onFailure(Quorvel::SlaveManagerEvent& event);
    void onStop();
    void shutDownSlaveManager();
    // Last step of a handler: the finished handler may destroy this object.
    void finish(State state);

    wxWeakRef<wxWindow> m_parent;
    Operation m_operation;
    State m_state = State::Running;
    wxTimer m_delay;
    std::unique_ptr<Quorvel::SlaveManager> m_slaveManager;
    std::unique_ptr<Quorvel::SlaveManagerEvent> m_lastProgress;
    // Cleared by the toolkit when the window is deleted (by its parent, or by "Close").
    wxWeakRef<FileTaskDialog> m_dialog;
    wxString m_failureText;
    bool m_stopRequested = false;
    FinishedHandler m_onFinished;
};
