#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <stdexcept>
#include <string>
#include <vector>

#include "EventRecorder.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

using Quorvel::makeRef;
using Quorvel::Ref;
using Quorvel::Task;
using Quorvel::TaskEvent;
using Quorvel::TaskRunnerThread;

namespace {

// Functions, not constants: the event type values are set during another file's static
// initialisation.
std::vector<wxEventType> startedFinished()
{
    return {Quorvel::EVT_TASK_STARTED, Quorvel::EVT_TASK_FINISHED};
}

std::vector<wxEventType> startedAborted()
{
    return {Quorvel::EVT_TASK_STARTED, Quorvel::EVT_TASK_ABORTED};
}

class TaskRecorder : public EventRecorder {
public:
    TaskRecorder()
    {
        record(Quorvel::EVT_TASK_STARTED);
        record(Quorvel::EVT_TASK_PROGRESS);
        record(Quorvel::EVT_TASK_FINISHED);
        record(Quorvel::EVT_TASK_ABORTED);
        record(Quorvel::EVT_TASK_FAILED);
    }
    const TaskEvent& event(std::size_t index) const { return at<TaskEvent>(index); }
};

// Thread-safe list of what the tasks did, in order.
class RunLog {
public:
    void add(const std::string& entry)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_entries.push_back(entry);
    }
    std::vector<std::string> entries()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_entries;
    }

private:
    std::mutex m_mutex;
    std::vector<std::string> m_entries;
};

// A task whose work is given as a function; it counts its runs and its destruction.
class ScriptedTask : public Task {
public:
    using Body = std::function<void(ScriptedTask&)>;
    ScriptedTask(int32_t id, Body body, std::atomic<int>* destroyed = nullptr)
        : Task(id), m_body(std::move(body)), m_destroyed(destroyed)
    {
    }
    void run() override
    {
        ++runs;
        m_body(*this);
    }
    std::atomic<int> runs{0};

protected:
    ~ScriptedTask() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }

private:
    Body m_body;
    std::atomic<int>* m_destroyed;
};

// A task that runs until the test releases it or it is aborted.
class BlockingTask : public Task {
public:
    using Task::Task;
    void waitUntilRunning()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [this] { return m_running; });
    }
    void letFinish()
    {
        // Notified under the lock: once it is released, the worker may end and delete us.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    void run() override
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_running = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released || isAborted(); });
        lock.unlock();
        checkAbort();
    }

protected:
    void onAbort() override
    {
        // Under the lock, so the waiter cannot miss the flag between its look and its wait.
        std::lock_guard<std::mutex> lock(m_mutex);
        m_changed.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_running = false;
    bool m_released = false;
};

Ref<ScriptedTask> scripted(
    int32_t id, ScriptedTask::Body body = [](ScriptedTask&) {})
{
    return makeRef<ScriptedTask>(id, std::move(body));
}

} // namespace

TEST(TaskRunnerThread, RunsTasksOneAfterTheOtherInOrderAdded)
{
    TaskRecorder first, second;
    RunLog log;
    TaskRunnerThread runner;
    std::atomic<int> running{0};
    auto body = [&](ScriptedTask& task) {
        const std::string name = std::to_string(task.getId());
        log.add(name + " begins" + (++running == 1 ? "" : " while another runs"));
        log.add(name + (task.getTaskRunner() == &runner ? " ends" : " has no runner"));
        --running;
    };
    runner.addTask(scripted(1, body), &first);
    runner.addTask(scripted(2, body), &second);
    runner.waitUntilStopped();
    first.processPending();

    EXPECT_EQ(log.entries(),
              (std::vector<std::string>{"1 begins", "1 ends", "2 begins", "2 ends"}));
    EXPECT_EQ(first.types(), startedFinished());
    EXPECT_EQ(second.types(), startedFinished());
    EXPECT_EQ(first.event(1).GetId(), 1);
    EXPECT_EQ(second.event(1).GetId(), 2);
}

TEST(TaskRunnerThread, FailuresCarryTheExceptionsCodeAndMessage)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    runner.addTask(scripted(1, [](ScriptedTask&) { throw Quorvel::IOException("disk full"); }),
                   &listener);
    runner.addTask(scripted(2, [](ScriptedTask&) { throw std::runtime_error("not ours"); }),
                   &listener);
    runner.addTask(scripted(3), &listener);
    runner.waitUntilStopped();
    listener.processPending();

    ASSERT_EQ(listener.count(), 6u);
    EXPECT_EQ(listener.typeAt(1), Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(listener.event(1).getErrorCode(), "System.IOError");
    EXPECT_EQ(listener.event(1).getErrorMessage(), "disk full");
    EXPECT_EQ(listener.typeAt(3), Quorvel::EVT_TASK_FAILED);
    EXPECT_EQ(listener.event(3).getErrorCode(), "Application.Error");
    EXPECT_EQ(listener.event(3).getErrorMessage(), "not ours");
    // The runner survives both and goes on with the next task.
    EXPECT_EQ(listener.typeAt(5), Quorvel::EVT_TASK_FINISHED);
}

TEST(TaskRunnerThread, AbortOfTheRunningTaskPostsOneAbortedEvent)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto task = makeRef<BlockingTask>(4);
    runner.addTask(task, &listener);
    task->waitUntilRunning();
    EXPECT_TRUE(runner.abortCurrent(false));
    runner.waitUntilStopped();
    listener.processPending();

    ASSERT_EQ(listener.types(), startedAborted());
    EXPECT_EQ(listener.event(1).GetId(), 4);
    EXPECT_EQ(listener.event(1).getErrorCode(), "Application.Error");
    EXPECT_EQ(listener.event(1).getErrorMessage(), "Task aborted on request");
}

TEST(TaskRunnerThread, QuietAbortPostsNoAbortedEvent)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto task = makeRef<BlockingTask>();
    runner.addTask(task, &listener);
    task->waitUntilRunning();
    EXPECT_TRUE(runner.abortCurrent(true));
    runner.waitUntilStopped();
    listener.processPending();

    EXPECT_EQ(listener.types(), std::vector<wxEventType>{Quorvel::EVT_TASK_STARTED});
}

TEST(TaskRunnerThread, AbortsAndClearsReportWhetherTheyFoundAnything)
{
    TaskRunnerThread runner;
    EXPECT_FALSE(runner.abortAll(false));
    EXPECT_FALSE(runner.abortCurrent(false));
    EXPECT_FALSE(runner.clearQueue());
    EXPECT_FALSE(runner.getCurrentTask());
}

TEST(TaskRunnerThread, AbortAllDropsTheQueueAndAbortsTheRunningTask)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto running = makeRef<BlockingTask>(1);
    auto waiting = scripted(2);
    runner.addTask(running, &listener);
    runner.addTask(waiting, &listener);
    running->waitUntilRunning();
    EXPECT_EQ(runner.getCurrentTask().get(), running.get());

    EXPECT_TRUE(runner.abortAll(false));
    runner.waitUntilStopped();
    listener.processPending();

    EXPECT_EQ(listener.types(), startedAborted());
    EXPECT_EQ(waiting->runs, 0);
    // The runner let go of the dropped task: only the test still holds it.
    EXPECT_EQ(waiting->getReferenceCount(), 1);
}

TEST(TaskRunnerThread, RequestStopStillRunsEveryQueuedTask)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto gate = makeRef<BlockingTask>(0);
    runner.addTask(gate, &listener);
    std::vector<Ref<ScriptedTask>> queued{scripted(1), scripted(2), scripted(3)};
    for (const auto& task : queued)
        runner.addTask(task, &listener);
    gate->waitUntilRunning();
    runner.requestStop();
    gate->letFinish();
    runner.waitUntilStopped();
    listener.processPending();

    ASSERT_EQ(listener.count(), 8u);
    for (int32_t id = 1; id <= 3; ++id) {
        EXPECT_EQ(queued[id - 1]->runs, 1);
        EXPECT_EQ(listener.typeAt(2 * id + 1), Quorvel::EVT_TASK_FINISHED);
        EXPECT_EQ(listener.event(2 * id + 1).GetId(), id);
    }
}

TEST(TaskRunnerThread, RemovedListenerGetsNoEventEvenOneAlreadyQueued)
{
    TaskRecorder removed, kept;
    TaskRunnerThread runner;
    auto task = makeRef<BlockingTask>(1);
    runner.addTask(task, &removed);
    auto later = scripted(2);
    runner.addTask(later, &removed);
    task->waitUntilRunning(); // its started event is queued on `removed`, not yet handled
    runner.removeListener(&removed);
    task->letFinish();
    runner.addTask(scripted(3), &kept);
    runner.waitUntilStopped();
    removed.processPending();

    EXPECT_EQ(removed.count(), 0u);
    // Its tasks still ran; other listeners are not affected.
    EXPECT_EQ(later->runs, 1);
    EXPECT_EQ(kept.types(), startedFinished());
}

TEST(TaskRunnerThread, ListenerAddedAgainAfterRemovalHearsOfItsNewTasks)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto first = makeRef<BlockingTask>(1);
    runner.addTask(first, &listener);
    first->waitUntilRunning();
    runner.removeListener(&listener);
    runner.addTask(scripted(2), &listener);
    first->letFinish();
    runner.waitUntilStopped();
    listener.processPending();

    ASSERT_EQ(listener.types(), startedFinished());
    EXPECT_EQ(listener.event(0).GetId(), 2);
}

TEST(TaskRunnerThread, EventsCarryTheTasksValuesAndKeepItAlive)
{
    std::atomic<int> destroyed{0};
    {
        TaskRecorder listener;
        {
            TaskRunnerThread runner;
            runner.addTask(makeRef<ScriptedTask>(
                               9,
                               [](ScriptedTask& task) {
                                   task.setProgress("Uploading", 5, 10);
                                   task.setDetail("photo.jpg", 1, 3);
                                   task.notifyProgress();
                                   task.setResultText("order 42");
                               },
                               &destroyed),
                           &listener);
        }
        listener.processPending();
        ASSERT_EQ(listener.count(), 3u);
        const TaskEvent& progress = listener.event(1);
        EXPECT_EQ(progress.GetEventType(), Quorvel::EVT_TASK_PROGRESS);
        EXPECT_EQ(progress.getProgressText(), "Uploading");
        EXPECT_EQ(progress.getProgressDone(), 5);
        EXPECT_EQ(progress.getProgressTotal(), 10);
        EXPECT_EQ(progress.getDetailText(), "photo.jpg");
        EXPECT_EQ(progress.getDetailDone(), 1);
        EXPECT_EQ(progress.getDetailTotal(), 3);
        EXPECT_EQ(progress.getResultText(), "");
        EXPECT_EQ(listener.event(2).getResultText(), "order 42");
        // Nobody but the recorded events holds the task now.
        ASSERT_TRUE(listener.event(2).getTask());
        EXPECT_EQ(listener.event(2).getTask()->getId(), 9);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(TaskRunnerThread, TaskAddedTwiceRunsOnce)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto task = scripted(1);
    runner.addTask(task, &listener);
    runner.addTask(task, &listener);
    runner.waitUntilStopped();
    listener.processPending();

    EXPECT_EQ(task->runs, 1);
    EXPECT_EQ(listener.types(), startedFinished());
}

TEST(TaskRunnerThread, EventsArriveWhileTheRunnerKeepsRunning)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto task = makeRef<BlockingTask>(1);
    runner.addTask(task, &listener);
    ASSERT_TRUE(listener.waitForCount(1));
    EXPECT_EQ(listener.typeAt(0), Quorvel::EVT_TASK_STARTED);
    task->letFinish();
    ASSERT_TRUE(listener.waitForCount(2));
    EXPECT_EQ(listener.types(), startedFinished());
}
