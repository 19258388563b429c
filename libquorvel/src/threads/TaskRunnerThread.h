#pragma once
// A worker thread that runs queued tasks one at a time, first in first out, and reports each
// task's start, progress and end as TaskEvents posted to the listener queued with it. Each
// owner (a wizard, a dialog, the synchroniser) has its own runner.
//
// Lifetime: the owner holds the runner (unique_ptr or member) rather than leaving a detached
// thread to delete itself. Its thread can then be waited for: requestStop() lets the queue
// drain, waitUntilStopped() blocks until the thread has ended, and the destructor does both.
// An owner that must not wait for queued work calls removeListener(this) and abortAll(true)
// first; the destructor then only waits for the running task to notice the abort.
//
// Threads: all public methods are for the owner's (GUI) thread; abortCurrent() and
// getCurrentTask() may also be called from other threads. m_lock (recursive, because a task's
// onAbort() hook runs under it and may call back) guards m_queue, m_current, m_tokens and
// m_stopRequested, and is held around every post, so that no event is posted to a listener
// once removeListener() has returned. Events already queued for a removed listener are dropped
// on delivery (RevocableEvent).

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>

#include <wx/event.h>
#include <wx/thread.h>

#include "threads/ReferenceCounted.h"
#include "threads/RevocableEvent.h"
#include "threads/Task.h"

namespace Quorvel {

class TaskRunnerThread {
public:
    // Starts the thread. Owners use the toolkit's default priority (50), the wizard frame 0.
    // Throws RuntimeException when the thread cannot be created.
    explicit TaskRunnerThread(unsigned priority = WXTHREAD_DEFAULT_PRIORITY);
    // Requests stop, lets queued tasks run, and waits for the thread to end.
    ~TaskRunnerThread();
    TaskRunnerThread(const TaskRunnerThread&) = delete;
    TaskRunnerThread& operator=(const TaskRunnerThread&) = delete;

    // Queues `task` behind the waiting ones; events about it go to `listener` (may be null:
    // run without telling anyone). The listener must call removeListener() before it dies.
    void addTask(const Ref<Task>& task, wxEvtHandler* listener);
    // No further events reach `listener`, including those already posted but not yet handled.
    // Its tasks still run to their end.
    void removeListener(wxEvtHandler* listener);
    // Aborts the running task; returns whether one was running.
    bool abortCurrent(bool quiet = false);
    // Drops the waiting tasks unrun; returns whether there were any.
    bool clearQueue();
    // clearQueue() then abortCurrent(); returns whether either found something.
    bool abortAll(bool quiet = false);
    // The running task, or null.
    Ref<Task> getCurrentTask() const;

    // The thread ends once the queue is empty and no task runs. Returns at once.
    void requestStop();
    // Requests stop and blocks until the thread has ended. Must not be called from a task.
    void waitUntilStopped();

private:
    friend class Task;
    class Worker;

    struct Entry {
        Ref<Task> task;
        wxEvtHandler* listener = nullptr;
        RevocableEvent::Token token;
    };

    void runLoop();
    // Waits for the next task and makes it current; null once stop is requested and the queue
    // is empty.
    Ref<Task> takeNext();
    void runTask(const Ref<Task>& task);
    void finishCurrent();
    // Runner thread: posts an event about the current task to the current listener.
    void post(wxEventType type, const Ref<Task>& task, const wxString& errorCode = wxString(),
              const wxString& errorMessage = wxString());
    // Called by Task::notifyProgress() on the runner thread.
    void postProgress(Task& task);

    mutable std::recursive_mutex m_lock;
    std::condition_variable_any m_wake;
    std::deque<Entry> m_queue;
    Entry m_current;
    // One live token per registered listener; removeListener() revokes and forgets it.
    std::map<wxEvtHandler*, RevocableEvent::Token> m_tokens;
    bool m_stopRequested = false;

    // Owner thread only.
    std::unique_ptr<Worker> m_thread;
    bool m_joined = false;
};

} // namespace Quorvel
