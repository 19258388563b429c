#pragma once
// A piece of long work (a service call, a transfer, scaling pictures) run on a TaskRunnerThread,
// which reports its start, progress and end to a listener as TaskEvents.
//
// Threads: the owner creates and configures a task on the GUI thread before adding it to a
// runner; run() and everything it calls (set progress, set detail, set result text, notify
// progress, check abort, the HTTP progress callback) execute on the runner thread. abort(),
// isAborted() and the getters may be called from any thread. m_mutex guards the progress,
// detail and result fields, the runner pointer and the throttle time; the abort flags are
// atomic.
//
// A task is reference counted (makeRef); queued pairs and pending events hold references, so a
// task may be destroyed on whichever thread lets go of it last.

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>

#include <wx/string.h>

#include "threads/HttpCallbackObj.h"
#include "threads/ReferenceCounted.h"

namespace Quorvel {

class TaskRunnerThread;

class Task : public ReferenceCounted, public HttpCallbackObj {
public:
    // Milliseconds on a monotonic scale; only differences matter.
    using Clock = std::function<int64_t()>;

    // Network progress events are spaced at least this far apart (first and last excepted).
    static constexpr int64_t PROGRESS_INTERVAL_MS = 100;

    explicit Task(int32_t id = -1);

    // The caller-chosen id; every event about the task carries it.
    int32_t getId() const { return m_id; }

    void setProgress(const wxString& text, int64_t done, int64_t total);
    void setDetail(const wxString& text, int64_t done, int64_t total);
    void setResultText(const wxString& text);

    wxString getProgressText() const;
    int64_t getProgressDone() const;
    int64_t getProgressTotal() const;
    wxString getDetailText() const;
    int64_t getDetailDone() const;
    int64_t getDetailTotal() const;
    wxString getResultText() const;

    // Posts a progress event with the current values. Runner thread only, while the task runs
    // (asserts "m_taskrunner != 0" otherwise and posts nothing).
    void notifyProgress();

    // Any thread. Asks the task to stop; a quiet abort ends it without an aborted event (for an
    // owner that is going away). Calls onAbort() on the calling thread.
    void abort(bool quiet = false);
    bool isAborted() const { return m_aborted.load(); }
    bool isQuietAbort() const { return m_quietAbort.load(); }
    // Throws AbortException ("Task aborted on request") once the task is aborted.
    void checkAbort() const;

    // HttpCallbackObj: false once aborted. Otherwise stores done/total as the main progress and
    // posts a progress event, at most one per PROGRESS_INTERVAL_MS, but always for the first
    // (done = 0) and the last (done = total) report.
    bool progress(int64_t done, int64_t total) override;
    // HttpCallbackObj: isAborted().
    bool isAbortRequested() const override { return isAborted(); }

    // The runner running the task; null until it starts.
    TaskRunnerThread* getTaskRunner() const;

    // Replaces the monotonic clock the progress throttle reads (for tests). Set it before the
    // task is queued.
    void setClock(Clock clock);

    // The task's work; runner thread. Throws AbortException when aborted, another Exception on
    // failure.
    virtual void run() {}

protected:
    ~Task() override = default;

    // Called by abort() on the aborting thread, under the runner's lock when the abort comes
    // through the runner: wake a blocking wait here, and keep it short.
    virtual void onAbort() {}

private:
    friend class TaskRunnerThread;
    friend class TaskEvent;
    void setTaskRunner(TaskRunnerThread* runner);

    const int32_t m_id;
    std::atomic<bool> m_aborted{false};
    std::atomic<bool> m_quietAbort{false};

    mutable std::mutex m_mutex;
    TaskRunnerThread* m_taskrunner = nullptr;
    wxString m_progressText;
    int64_t m_progressDone = 0;
    int64_t m_progressTotal = 0;
    wxString m_detailText;
    int64_t m_detailDone = 0;
    int64_t m_detailTotal = 0;
    wxString m_resultText;
    // Unset until the first network progress event, so the first report is never held back.
    std::optional<int64_t> m_lastProgressTime;
    Clock m_clock;
};

} // namespace Quorvel
