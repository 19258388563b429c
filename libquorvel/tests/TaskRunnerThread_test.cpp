#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <future>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "EventRecorder.h"
#include "Gate.h"
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
std::vector<wxEventType> startedThen(wxEventType last)
{
    return {Quorvel::EVT_TASK_STARTED, last};
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

// A task whose work is given as a function, done once its gate lets it pass (at once unless the
// test closed it) or it is aborted; it counts its runs and its destruction.
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
        gate.pass([this] { return isAborted(); });
        checkAbort();
        m_body(*this);
    }
    std::atomic<int> runs{0};
    Gate gate{true};
    std::function<void()> onDestroy;

protected:
    ~ScriptedTask() override
    {
        if (m_destroyed)
            ++*m_destroyed;
        if (onDestroy)
            onDestroy();
    }
    void onAbort() override { gate.wake(); }

private:
    Body m_body;
    std::atomic<int>* m_destroyed;
};

Ref<ScriptedTask> scripted(
    int32_t id, ScriptedTask::Body body = [](ScriptedTask&) {})
{
    return makeRef<ScriptedTask>(id, std::move(body));
}

// A task that runs until the test opens its gate or it is aborted.
Ref<ScriptedTask> blocking(int32_t id)
{
    Ref<ScriptedTask> task = scripted(id);
    task->gate.close();
    return task;
}

} // namespace

TEST(TaskRunnerThread, RunsTasksOneAfterTheOtherInOrderAdded)
{
    TaskRecorder first, second;
    std::mutex mutex;
    std::vector<std::string> log;
    TaskRunnerThread runner;
    std::atomic<int> running{0};
    auto body = [&](ScriptedTask& task) {
        const std::string name = std::to_string(task.getId());
        std::lock_guard<std::mutex> lock(mutex);
        log.push_back(name + " begins" + (++running == 1 ? "" : " while another runs"));
        log.push_back(name + (task.getTaskRunner() == &runner ? " ends" : " has no runner"));
        --running;
    };
    runner.addTask(scripted(1, body), &first);
    runner.addTask(scripted(2, body), &second);
    runner.waitUntilStopped();
    first.processPending();

    EXPECT_EQ(log, (std::vector<std::string>{"1 begins", "1 ends", "2 begins", "2 ends"}));
    EXPECT_EQ(first.types(), startedThen(Quorvel::EVT_TASK_FINISHED));
    EXPECT_EQ(second.types(), startedThen(Quorvel::EVT_TASK_FINISHED));
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

TEST(TaskRunnerThread, AbortOfTheRunningTaskPostsAnAbortedEventUnlessQuiet)
{
    for (const bool quiet : {false, true}) {
        TaskRecorder listener;
        TaskRunnerThread runner;
        auto task = blocking(4);
        runner.addTask(task, &listener);
        ASSERT_TRUE(task->gate.waitForArrivals());
        EXPECT_TRUE(runner.abortCurrent(quiet));
        runner.waitUntilStopped();
        listener.processPending();

        if (quiet) {
            EXPECT_EQ(listener.types(), std::vector<wxEventType>{Quorvel::EVT_TASK_STARTED});
            continue;
        }
        ASSERT_EQ(listener.types(), startedThen(Quorvel::EVT_TASK_ABORTED));
        EXPECT_EQ(listener.event(1).GetId(), 4);
        EXPECT_EQ(listener.event(1).getErrorCode(), "Application.Error");
        EXPECT_EQ(listener.event(1).getErrorMessage(), "Task aborted on request");
    }
}

TEST(TaskRunnerThread, AbortAllDropsTheQueueAndAbortsTheRunningTask)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    // With nothing to abort or clear, each reports so.
    EXPECT_FALSE(runner.abortAll(false));
    EXPECT_FALSE(runner.abortCurrent(false));
    EXPECT_FALSE(runner.clearQueue());
    EXPECT_FALSE(runner.getCurrentTask());

    auto running = blocking(1);
    auto waiting = scripted(2);
    runner.addTask(running, &listener);
    runner.addTask(waiting, &listener);
    ASSERT_TRUE(running->gate.waitForArrivals());
    EXPECT_EQ(runner.getCurrentTask().get(), running.get());

    EXPECT_TRUE(runner.abortAll(false));
    runner.waitUntilStopped();
    listener.processPending();

    EXPECT_EQ(listener.types(), startedThen(Quorvel::EVT_TASK_ABORTED));
    EXPECT_EQ(waiting->runs, 0);
    // The runner let go of the dropped task: only the test still holds it.
    EXPECT_EQ(waiting->getReferenceCount(), 1);
}

TEST(TaskRunnerThread, AbortAllLetsGoOfDroppedTasksOutsideItsLock)
{
    TaskRunnerThread runner;
    auto running = blocking(1);
    runner.addTask(running, nullptr);
    ASSERT_TRUE(running->gate.waitForArrivals());

    // A dropped task whose destructor waits for another thread that asks the runner something.
    std::thread asker;
    bool answered = false;
    {
        auto waiting = scripted(2);
        waiting->onDestroy = [&] {
            std::promise<void> asked;
            std::future<void> answer = asked.get_future();
            asker = std::thread([&runner, asked = std::move(asked)]() mutable {
                runner.getCurrentTask();
                asked.set_value();
            });
            // Bounded, so a runner that still holds its lock fails the test instead of hanging.
            answered = answer.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
        };
        runner.addTask(waiting, nullptr);
    }
    EXPECT_TRUE(runner.abortAll(true));
    asker.join();
    EXPECT_TRUE(answered);
}

TEST(TaskRunnerThread, RequestStopStillRunsEveryQueuedTask)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto gate = blocking(0);
    runner.addTask(gate, &listener);
    std::vector<Ref<ScriptedTask>> queued{scripted(1), scripted(2), scripted(3)};
    for (const auto& task : queued)
        runner.addTask(task, &listener);
    ASSERT_TRUE(gate->gate.waitForArrivals());
    runner.requestStop();
    gate->gate.open();
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
    auto task = blocking(1);
    runner.addTask(task, &removed);
    auto later = scripted(2);
    runner.addTask(later, &removed);
    ASSERT_TRUE(task->gate.waitForArrivals()); // its started event is queued, not yet handled
    runner.removeListener(&removed);
    // Registered again with a new task, it hears of that task only.
    runner.addTask(scripted(3), &removed);
    runner.addTask(scripted(4), &kept);
    task->gate.open();
    runner.waitUntilStopped();
    removed.processPending();

    ASSERT_EQ(removed.types(), startedThen(Quorvel::EVT_TASK_FINISHED));
    EXPECT_EQ(removed.event(0).GetId(), 3);
    EXPECT_EQ(removed.event(1).GetId(), 3);
    // Its tasks still ran; other listeners are not affected.
    EXPECT_EQ(later->runs, 1);
    EXPECT_EQ(kept.types(), startedThen(Quorvel::EVT_TASK_FINISHED));
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
        // Each event has its own copy, taken when it was posted.
        EXPECT_EQ(progress.getResultText(), "");
        EXPECT_EQ(listener.event(2).getResultText(), "order 42");
        // Nobody but the recorded events holds the task now.
        ASSERT_TRUE(listener.event(2).getTask());
        EXPECT_EQ(listener.event(2).getTask()->getId(), 9);
        EXPECT_EQ(destroyed, 0);
    }
    EXPECT_EQ(destroyed, 1);
}

TEST(TaskRunnerThread, EventsArriveWhileTheRunnerKeepsRunning)
{
    TaskRecorder listener;
    TaskRunnerThread runner;
    auto task = blocking(1);
    runner.addTask(task, &listener);
    ASSERT_TRUE(listener.waitForCount(1));
    EXPECT_EQ(listener.typeAt(0), Quorvel::EVT_TASK_STARTED);
    task->gate.open();
    ASSERT_TRUE(listener.waitForCount(2));
    EXPECT_EQ(listener.types(), startedThen(Quorvel::EVT_TASK_FINISHED));
}
