#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "EventRecorder.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

using Quorvel::makeRef;
using Quorvel::Task;
using Quorvel::TaskEvent;
using Quorvel::TaskRunnerThread;

namespace {

class CountingAbortTask : public Task {
public:
    int aborts = 0;

protected:
    void onAbort() override { ++aborts; }
};

// Runs `body` as a task on a runner of its own and returns the done values of the progress
// events it posted.
std::vector<int64_t> progressReportedBy(std::function<void(Task&)> body)
{
    class BodyTask : public Task {
    public:
        explicit BodyTask(std::function<void(Task&)> body) : m_body(std::move(body)) {}
        void run() override { m_body(*this); }

    private:
        std::function<void(Task&)> m_body;
    };

    EventRecorder listener;
    listener.record(Quorvel::EVT_TASK_PROGRESS);
    {
        TaskRunnerThread runner;
        runner.addTask(makeRef<BodyTask>(std::move(body)), &listener);
    }
    listener.processPending();
    std::vector<int64_t> done;
    for (std::size_t i = 0; i < listener.count(); ++i)
        done.push_back(listener.at<TaskEvent>(i).getProgressDone());
    return done;
}

} // namespace

TEST(Task, CheckAbortThrowsOnlyOnceAborted)
{
    auto task = makeRef<CountingAbortTask>();
    EXPECT_NO_THROW(task->checkAbort());
    EXPECT_FALSE(task->isAborted());

    task->abort(true);
    EXPECT_TRUE(task->isAborted());
    EXPECT_TRUE(task->isQuietAbort());
    EXPECT_EQ(task->aborts, 1);
    try {
        task->checkAbort();
        FAIL() << "no AbortException";
    } catch (const Quorvel::AbortException& e) {
        EXPECT_EQ(e.getCode(), "Application.Error");
        EXPECT_EQ(e.getMessage(), "Task aborted on request");
    }
}

TEST(Task, ProgressCallbackRefusesOnceAborted)
{
    bool before = false, after = true;
    const auto done = progressReportedBy([&](Task& task) {
        before = task.progress(0, 10);
        task.abort(true);
        after = task.progress(5, 10);
    });
    EXPECT_TRUE(before);
    EXPECT_FALSE(after);
    EXPECT_EQ(done, std::vector<int64_t>{0});
}

TEST(Task, NetworkProgressIsLimitedToOneEventPer100ms)
{
    // Reports every 10 ms; the last one (950 of 950) comes only 50 ms after the one before.
    const auto done = progressReportedBy([](Task& task) {
        int64_t now = 1000;
        task.setClock([&now] { return now; });
        for (int64_t bytes = 0; bytes <= 950; bytes += 10, now += 10)
            EXPECT_TRUE(task.progress(bytes, 950));
    });
    EXPECT_EQ(done, (std::vector<int64_t>{0, 100, 200, 300, 400, 500, 600, 700, 800, 900, 950}));
}

TEST(Task, ThrottleCountsFromTheLastEventNotTheLastReport)
{
    const auto done = progressReportedBy([](Task& task) {
        int64_t now = 0;
        task.setClock([&now] { return now; });
        for (const auto& [at, bytes] : std::vector<std::pair<int64_t, int64_t>>{
                 {0, 1}, {99, 2}, {100, 3}, {150, 4}, {199, 5}, {200, 6}, {201, 0}}) {
            now = at;
            task.progress(bytes, 1000);
        }
    });
    // The very first report is never held back, whatever its value; done = 0 always passes.
    EXPECT_EQ(done, (std::vector<int64_t>{1, 3, 6, 0}));
}
