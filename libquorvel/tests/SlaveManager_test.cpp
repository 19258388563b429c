#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "EventRecorder.h"
#include "system/Exceptions.h"
#include "threads/SlaveManager.h"
#include "threads/SlaveManagerEvent.h"

using Quorvel::Slave;
using Quorvel::SlaveManager;
using Quorvel::SlaveManagerEvent;

namespace {

class SlaveRecorder : public EventRecorder {
public:
    SlaveRecorder()
    {
        record(Quorvel::EVT_SLAVE_STARTED);
        record(Quorvel::EVT_SLAVE_PROGRESS);
        record(Quorvel::EVT_SLAVE_FINISHED);
        record(Quorvel::EVT_SLAVE_ABORTED);
        record(Quorvel::EVT_SLAVE_FAILED);
    }
    const SlaveManagerEvent& event(std::size_t index) const { return at<SlaveManagerEvent>(index); }
    std::vector<wxString> startedNames() const
    {
        std::vector<wxString> names;
        for (std::size_t i = 0; i < count(); ++i)
            if (typeAt(i) == Quorvel::EVT_SLAVE_STARTED)
                names.push_back(event(i).getName());
        return names;
    }
};

// Counts how many slaves ran and how many were deleted.
struct Tally {
    std::atomic<int> ran{0};
    std::atomic<int> deleted{0};
};

class ScriptedSlave : public Slave {
public:
    ScriptedSlave(const wxString& name, Tally& tally, std::function<void(Slave&)> body = {})
        : Slave(1, 2, name), m_tally(tally), m_body(std::move(body))
    {
    }
    ~ScriptedSlave() override { ++m_tally.deleted; }

protected:
    void work() override
    {
        ++m_tally.ran;
        if (m_body)
            m_body(*this);
    }

private:
    Tally& m_tally;
    std::function<void(Slave&)> m_body;
};

// Works until released or aborted. The test keeps a pointer to it; it stays valid while the
// slave blocks, because the manager deletes a slave only after it returns.
class BlockingSlave : public ScriptedSlave {
public:
    BlockingSlave(const wxString& name, Tally& tally) : ScriptedSlave(name, tally) {}
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

protected:
    void work() override
    {
        ScriptedSlave::work();
        std::unique_lock<std::mutex> lock(m_mutex);
        m_running = true;
        m_changed.notify_all();
        m_changed.wait(lock, [this] { return m_released || isAborted(); });
        lock.unlock();
        checkAbort();
    }
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

} // namespace

TEST(SlaveManager, ListenersSevenAndEightEachGetEveryEventWithTheirId)
{
    SlaveRecorder seven, eight;
    Tally tally;
    {
        SlaveManager manager;
        manager.addListener(&seven, 7);
        manager.addListener(&eight, 8);
        manager.addSlave(std::make_unique<ScriptedSlave>("copy", tally, [](Slave& slave) {
            slave.setProgress("Copying", {3, 10, 0, 0});
            slave.setDetail("IMG_0001.JPG", {1, 1, 0, 0});
            slave.notifyProgress();
        }));
        ASSERT_TRUE(seven.waitForCount(3));
    }
    eight.processPending();

    for (const SlaveRecorder* recorder : {&seven, &eight}) {
        const int id = recorder == &seven ? 7 : 8;
        ASSERT_EQ(recorder->types(),
                  (std::vector<wxEventType>{Quorvel::EVT_SLAVE_STARTED, Quorvel::EVT_SLAVE_PROGRESS,
                                            Quorvel::EVT_SLAVE_FINISHED}))
            << id;
        for (std::size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(recorder->event(i).GetId(), id);
            EXPECT_EQ(recorder->event(i).getName(), "copy");
            EXPECT_EQ(recorder->event(i).getFirstNumber(), 1);
            EXPECT_EQ(recorder->event(i).getSecondNumber(), 2);
        }
        const SlaveManagerEvent& progress = recorder->event(1);
        EXPECT_EQ(progress.getProgressText(), "Copying");
        EXPECT_EQ(progress.getProgressValues(), (Slave::Values{3, 10, 0, 0}));
        EXPECT_EQ(progress.getDetailText(), "IMG_0001.JPG");
    }
    EXPECT_EQ(tally.deleted, 1);
}

TEST(SlaveManager, AbortExceptionGivesAnAbortedEventAndNoFinished)
{
    SlaveRecorder listener;
    Tally tally;
    {
        SlaveManager manager;
        manager.addListener(&listener, 1);
        manager.addSlave(std::make_unique<ScriptedSlave>("move", tally, [](Slave& slave) {
            slave.abort();
            slave.checkAbort();
            slave.setProgress("not reached", {});
        }));
        ASSERT_TRUE(listener.waitForCount(2));
    }
    listener.processPending();

    ASSERT_EQ(listener.types(),
              (std::vector<wxEventType>{Quorvel::EVT_SLAVE_STARTED, Quorvel::EVT_SLAVE_ABORTED}));
    EXPECT_EQ(listener.event(1).getErrorCode(), "Application.Error");
    EXPECT_EQ(listener.event(1).getErrorMessage(), "Operation aborted on request");
    EXPECT_EQ(listener.event(1).getName(), "move");
}

TEST(SlaveManager, FailureCarriesTheExceptionsCodeAndMessage)
{
    SlaveRecorder listener;
    Tally tally;
    {
        SlaveManager manager;
        manager.addListener(&listener, 1);
        manager.addSlave(std::make_unique<ScriptedSlave>(
            "delete", tally, [](Slave&) { throw Quorvel::FileAccessException("read-only"); }));
        manager.addSlave(std::make_unique<ScriptedSlave>("next", tally));
        ASSERT_TRUE(listener.waitForCount(4));
    }
    listener.processPending();

    ASSERT_EQ(listener.count(), 4u);
    EXPECT_EQ(listener.typeAt(1), Quorvel::EVT_SLAVE_FAILED);
    EXPECT_EQ(listener.event(1).getErrorCode(), "Application.Error");
    EXPECT_EQ(listener.event(1).getErrorMessage(), "read-only");
    EXPECT_EQ(listener.typeAt(3), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_EQ(tally.deleted, 2);
}

TEST(SlaveManager, InsertedSlavesRunInTheirPlaceAndBeyondTheEndMeansLast)
{
    SlaveRecorder listener;
    Tally tally;
    {
        SlaveManager manager;
        manager.addListener(&listener, 1);
        auto blocker = std::make_unique<BlockingSlave>("blocker", tally);
        BlockingSlave* running = blocker.get();
        manager.addSlave(std::move(blocker));
        running->waitUntilRunning();
        EXPECT_EQ(manager.addSlave(std::make_unique<ScriptedSlave>("b", tally)), 1u);
        EXPECT_EQ(manager.insertSlave(std::make_unique<ScriptedSlave>("a", tally), 0), 2u);
        EXPECT_EQ(manager.insertSlave(std::make_unique<ScriptedSlave>("c", tally), 99), 3u);
        running->letFinish();
        ASSERT_TRUE(listener.waitForCount(8));
    }
    EXPECT_EQ(listener.startedNames(), (std::vector<wxString>{"blocker", "a", "b", "c"}));
}

TEST(SlaveManager, AbortAllStopsTheRunningSlaveAndDeletesTheWaitingUnrun)
{
    SlaveRecorder listener;
    Tally tally;
    {
        SlaveManager manager;
        EXPECT_FALSE(manager.abortAll());
        manager.addListener(&listener, 1);
        auto blocker = std::make_unique<BlockingSlave>("blocker", tally);
        BlockingSlave* running = blocker.get();
        manager.addSlave(std::move(blocker));
        manager.addSlave(std::make_unique<ScriptedSlave>("waiting", tally));
        running->waitUntilRunning();

        EXPECT_TRUE(manager.abortAll());
        ASSERT_TRUE(listener.waitForCount(2));
    }
    listener.processPending();
    EXPECT_EQ(listener.types(),
              (std::vector<wxEventType>{Quorvel::EVT_SLAVE_STARTED, Quorvel::EVT_SLAVE_ABORTED}));
    EXPECT_EQ(tally.ran, 1);
    EXPECT_EQ(tally.deleted, 2);
}

TEST(SlaveManager, DestructorDeletesWaitingSlavesWithoutRunningThem)
{
    // Lets the running slave end only once the waiting ones are being deleted, so the manager
    // cannot have started them.
    class ReleasingSlave : public ScriptedSlave {
    public:
        ReleasingSlave(Tally& tally, BlockingSlave& blocker)
            : ScriptedSlave("waiting", tally), m_blocker(blocker)
        {
        }
        ~ReleasingSlave() override { m_blocker.letFinish(); }

    private:
        BlockingSlave& m_blocker;
    };

    Tally tally;
    {
        SlaveManager manager;
        EXPECT_FALSE(manager.abortCurrent());
        auto blocker = std::make_unique<BlockingSlave>("blocker", tally);
        BlockingSlave& running = *blocker;
        manager.addSlave(std::move(blocker));
        manager.addSlave(std::make_unique<ReleasingSlave>(tally, running));
        manager.addSlave(std::make_unique<ScriptedSlave>("two", tally));
        running.waitUntilRunning();
    }
    EXPECT_EQ(tally.ran, 1);
    EXPECT_EQ(tally.deleted, 3);
}
