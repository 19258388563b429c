#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <vector>

#include "Gate.h"
#include "SlaveRecorder.h"
#include "system/Exceptions.h"
#include "threads/SlaveManager.h"

using Quorvel::Slave;
using Quorvel::SlaveManager;

namespace {

// Counts how many slaves ran and how many were deleted.
struct Tally {
    std::atomic<int> ran{0};
    std::atomic<int> deleted{0};
};

// Runs `body`; with a gate it first waits there until released or aborted. The test may keep a
// pointer to a slave held at its gate: the manager deletes a slave only after it returns.
class ScriptedSlave : public Slave {
public:
    ScriptedSlave(const wxString& name, Tally& tally, std::function<void(Slave&)> body = {},
                  std::shared_ptr<Gate> gate = nullptr)
        : Slave(1, 2, name), m_tally(tally), m_body(std::move(body)), m_gate(std::move(gate))
    {
    }
    ~ScriptedSlave() override
    {
        ++m_tally.deleted;
        if (onDelete)
            onDelete();
    }
    std::function<void()> onDelete;

protected:
    void work() override
    {
        ++m_tally.ran;
        if (m_gate) {
            m_gate->pass([this] { return isAborted(); });
            checkAbort();
        }
        if (m_body)
            m_body(*this);
    }
    void onAbort() override
    {
        if (m_gate)
            m_gate->wake();
    }

private:
    Tally& m_tally;
    std::function<void(Slave&)> m_body;
    std::shared_ptr<Gate> m_gate;
};

std::unique_ptr<ScriptedSlave> blocking(const wxString& name, Tally& tally,
                                        const std::shared_ptr<Gate>& gate)
{
    return std::make_unique<ScriptedSlave>(name, tally, nullptr, gate);
}

// Holds its thread at the moment a slave has left the list, until the test opens `takenUp`.
class PausingManager : public SlaveManager {
public:
    Gate takenUp;

protected:
    void slaveTakenUp(Slave&) override { takenUp.pass(); }
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
        EXPECT_EQ(recorder->event(1).getProgressText(), "Copying");
        EXPECT_EQ(recorder->event(1).getProgressValues(), (Slave::Values{3, 10, 0, 0}));
        EXPECT_EQ(recorder->event(1).getDetailText(), "IMG_0001.JPG");
    }
    EXPECT_EQ(tally.deleted, 1);
}

TEST(SlaveManager, AbortExceptionIsAbortedAndOtherExceptionsFailWithTheirMessage)
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
        manager.addSlave(std::make_unique<ScriptedSlave>(
            "delete", tally, [](Slave&) { throw Quorvel::FileAccessException("read-only"); }));
        manager.addSlave(std::make_unique<ScriptedSlave>("next", tally));
        ASSERT_TRUE(listener.waitForCount(6));
    }
    listener.processPending();

    ASSERT_EQ(listener.types(),
              (std::vector<wxEventType>{Quorvel::EVT_SLAVE_STARTED, Quorvel::EVT_SLAVE_ABORTED,
                                        Quorvel::EVT_SLAVE_STARTED, Quorvel::EVT_SLAVE_FAILED,
                                        Quorvel::EVT_SLAVE_STARTED, Quorvel::EVT_SLAVE_FINISHED}));
    EXPECT_EQ(listener.event(1).getErrorCode(), "Application.Error");
    EXPECT_EQ(listener.event(1).getErrorMessage(), "Operation aborted on request");
    EXPECT_EQ(listener.event(1).getName(), "move");
    EXPECT_EQ(listener.event(3).getErrorCode(), "Application.Error");
    EXPECT_EQ(listener.event(3).getErrorMessage(), "read-only");
    EXPECT_EQ(tally.deleted, 3);
}

TEST(SlaveManager, InsertedSlavesRunInTheirPlaceAndBeyondTheEndMeansLast)
{
    SlaveRecorder listener;
    Tally tally;
    auto gate = std::make_shared<Gate>();
    {
        SlaveManager manager;
        manager.addListener(&listener, 1);
        manager.addSlave(blocking("blocker", tally, gate));
        ASSERT_TRUE(gate->waitForArrivals());
        EXPECT_EQ(manager.addSlave(std::make_unique<ScriptedSlave>("b", tally)), 1u);
        EXPECT_EQ(manager.insertSlave(std::make_unique<ScriptedSlave>("a", tally), 0), 2u);
        EXPECT_EQ(manager.insertSlave(std::make_unique<ScriptedSlave>("c", tally), 99), 3u);
        gate->open();
        ASSERT_TRUE(listener.waitForCount(8));
    }
    std::vector<wxString> started;
    for (std::size_t i = 0; i < listener.count(); ++i)
        if (listener.typeAt(i) == Quorvel::EVT_SLAVE_STARTED)
            started.push_back(listener.event(i).getName());
    EXPECT_EQ(started, (std::vector<wxString>{"blocker", "a", "b", "c"}));
}

TEST(SlaveManager, AbortAllStopsTheRunningSlaveAndDeletesTheWaitingUnrun)
{
    SlaveRecorder listener;
    Tally tally;
    auto gate = std::make_shared<Gate>();
    {
        SlaveManager manager;
        EXPECT_FALSE(manager.abortAll());
        manager.addListener(&listener, 1);
        manager.addSlave(blocking("blocker", tally, gate));
        manager.addSlave(std::make_unique<ScriptedSlave>("waiting", tally));
        ASSERT_TRUE(gate->waitForArrivals());

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
    Tally tally;
    auto gate = std::make_shared<Gate>();
    {
        SlaveManager manager;
        EXPECT_FALSE(manager.abortCurrent());
        manager.addSlave(blocking("blocker", tally, gate));
        // The running slave ends only once a waiting one is deleted, so the manager cannot
        // have started them.
        auto releasing = std::make_unique<ScriptedSlave>("waiting", tally);
        releasing->onDelete = [gate] { gate->open(); };
        manager.addSlave(std::move(releasing));
        manager.addSlave(std::make_unique<ScriptedSlave>("two", tally));
        ASSERT_TRUE(gate->waitForArrivals());
    }
    EXPECT_EQ(tally.ran, 1);
    EXPECT_EQ(tally.deleted, 3);
}

TEST(SlaveManager, AbortAllReachesASlaveJustTakenOffTheList)
{
    SlaveRecorder listener;
    Tally tally;
    auto gate = std::make_shared<Gate>();
    PausingManager manager;
    manager.addListener(&listener, 1);
    manager.addSlave(blocking("next", tally, gate));
    ASSERT_TRUE(manager.takenUp.waitForArrivals());

    EXPECT_TRUE(manager.abortAll());
    gate->open(); // an abort that missed would leave the slave free to finish
    manager.takenUp.open();
    ASSERT_TRUE(listener.waitForCount(2));
    EXPECT_EQ(listener.typeAt(1), Quorvel::EVT_SLAVE_ABORTED);
}
