#include "threads/TaskRunnerThread.h"

#include <exception>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"

namespace Quorvel {

class TaskRunnerThread::Worker : public wxThread {
public:
    explicit Worker(TaskRunnerThread& runner) : wxThread(wxTHREAD_JOINABLE), m_runner(runner) {}

protected:
    ExitCode Entry() override
    {
        m_runner.runLoop();
        return nullptr;
    }

private:
    TaskRunnerThread& m_runner;
};

TaskRunnerThread::TaskRunnerThread(unsigned priority) : m_thread(std::make_unique<Worker>(*this))
{
    if (m_thread->Create() != wxTHREAD_NO_ERROR)
        throw RuntimeException(wxS("Could not create task runner thread"));
    m_thread->SetPriority(priority);
    if (m_thread->Run() != wxTHREAD_NO_ERROR)
        throw RuntimeException(wxS("Could not start task runner thread"));
    QDEBUG("[TASKRUNNERTHREAD] Created");
}

TaskRunnerThread::~TaskRunnerThread()
{
    waitUntilStopped();
    QDEBUG("[TASKRUNNERTHREAD] Deleted!");
}

void TaskRunnerThread::addTask(const Ref<Task>& task, wxEvtHandler* listener)
{
    wxCHECK_RET(task, "null task");
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_stopRequested)
        QDEBUG("[TASKRUNNERTHREAD] Task %p added after stop was requested", task.get());
    Entry entry{task, listener, nullptr};
    if (listener) {
        RevocableEvent::Token& token = m_tokens[listener];
        if (!token)
            token = RevocableEvent::makeToken();
        entry.token = token;
    }
    m_queue.push_back(std::move(entry));
    m_wake.notify_all();
}

void TaskRunnerThread::removeListener(wxEvtHandler* listener)
{
    if (!listener)
        return;
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    for (Entry& entry : m_queue) {
        if (entry.listener == listener) {
            entry.listener = nullptr;
            entry.token.reset();
        }
    }
    if (m_current.listener == listener) {
        m_current.listener = nullptr;
        m_current.token.reset();
    }
    const auto found = m_tokens.find(listener);
    if (found != m_tokens.end()) {
        RevocableEvent::revoke(found->second);
        m_tokens.erase(found);
    }
}

bool TaskRunnerThread::abortCurrent(bool quiet)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!m_current.task)
        return false;
    m_current.task->abort(quiet);
    return true;
}

bool TaskRunnerThread::clearQueue()
{
    std::deque<Entry> dropped;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        dropped.swap(m_queue);
    }
    // The dropped references go here, outside the lock: a task's destructor is the owner's code.
    return !dropped.empty();
}

bool TaskRunnerThread::abortAll(bool quiet)
{
    std::deque<Entry> dropped;
    bool aborted = false;
    {
        // One lock across both, so the runner cannot slip the next task in between.
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        dropped.swap(m_queue);
        aborted = abortCurrent(quiet);
    }
    // The dropped references go outside the lock, as in clearQueue(): a task's destructor may
    // wait for the runner.
    return !dropped.empty() || aborted;
}

Ref<Task> TaskRunnerThread::getCurrentTask() const
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    return m_current.task;
}

void TaskRunnerThread::requestStop()
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    m_stopRequested = true;
    m_wake.notify_all();
}

void TaskRunnerThread::waitUntilStopped()
{
    requestStop();
    if (m_joined)
        return;
    m_thread->Wait(wxTHREAD_WAIT_BLOCK);
    m_joined = true;
}

void TaskRunnerThread::runLoop()
{
    QDEBUG("[TASKRUNNERTHREAD] Starting...");
    while (Ref<Task> task = takeNext()) {
        runTask(task);
        finishCurrent();
    }
}

Ref<Task> TaskRunnerThread::takeNext()
{
    std::unique_lock<std::recursive_mutex> lock(m_lock);
    m_wake.wait(lock, [this] { return !m_queue.empty() || m_stopRequested; });
    if (m_queue.empty())
        return nullptr;
    m_current = std::move(m_queue.front());
    m_queue.pop_front();
    return m_current.task;
}

void TaskRunnerThread::runTask(const Ref<Task>& task)
{
    const void* id = task.get();
    if (task->getTaskRunner()) {
        QDEBUG("[TASKRUNNERTHREAD] Task %p has run before; not run again", id);
        return;
    }
    QDEBUG("[TASKRUNNERTHREAD] Starting new task %p", id);
    post(EVT_TASK_STARTED, task);
    task->setTaskRunner(this);
    try {
        task->run();
        post(EVT_TASK_FINISHED, task);
    } catch (const AbortException& e) {
        QDEBUG("[TASKRUNNERTHREAD] Task %p aborted !", id);
        QDEBUG("[TASKRUNNERTHREAD] Exception message: %s", e.getMessage());
        if (!task->isQuietAbort())
            post(EVT_TASK_ABORTED, task, e.getCode(), e.getMessage());
    } catch (const Exception& e) {
        QDEBUG("[TASKRUNNERTHREAD] Task %p threw exception", id);
        QDEBUG("[TASKRUNNERTHREAD] Exception message: %s", e.getMessage());
        post(EVT_TASK_FAILED, task, e.getCode(), e.getMessage());
    } catch (const std::exception& e) {
        // Not ours (bad_alloc, a library's own): still a failure the listener must hear of.
        const wxString message = wxString::FromUTF8(e.what());
        QDEBUG("[TASKRUNNERTHREAD] Task %p threw exception", id);
        QDEBUG("[TASKRUNNERTHREAD] Exception message: %s", message);
        post(EVT_TASK_FAILED, task, wxS(QUORVEL_DEFAULT_ERROR_CODE), message);
    } catch (...) {
        QDEBUG("[TASKRUNNERTHREAD] Task %p threw exception", id);
        post(EVT_TASK_FAILED, task, wxS(QUORVEL_DEFAULT_ERROR_CODE), wxS("Unknown error"));
    }
    QDEBUG("[TASKRUNNERTHREAD] Task %p is done", id);
}

void TaskRunnerThread::finishCurrent()
{
    Entry done;
    {
        std::lock_guard<std::recursive_mutex> lock(m_lock);
        done = std::move(m_current);
        m_current = Entry();
    }
    // `done` releases the runner's reference here, outside the lock.
}

void TaskRunnerThread::post(wxEventType type, const Ref<Task>& task, const wxString& errorCode,
                            const wxString& errorMessage)
{
    TaskEvent event(type, task->getId());
    event.fillFrom(task);
    event.setError(errorCode, errorMessage);
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (!m_current.listener)
        return;
    event.setDeliveryToken(m_current.token);
    wxQueueEvent(m_current.listener, event.Clone());
}

void TaskRunnerThread::postProgress(Task& task)
{
    std::lock_guard<std::recursive_mutex> lock(m_lock);
    if (m_current.task.get() != &task)
        return;
    post(EVT_TASK_PROGRESS, m_current.task);
}

} // namespace Quorvel
