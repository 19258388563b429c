#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <thread>

#include "Gate.h"
#include "system/Exceptions.h"
#include "threads/IdleCallbackSlot.h"

using Quorvel::IdleCallbackSlot;
using Quorvel::IWantIdleCallback;

namespace {

class Request : public IWantIdleCallback {
public:
    explicit Request(std::function<void()> body = {}) : m_body(std::move(body)) {}
    void idleCallback() override
    {
        ranOn = std::this_thread::get_id();
        ++calls;
        if (m_body)
            m_body();
    }
    std::thread::id ranOn;
    int calls = 0;

private:
    std::function<void()> m_body;
};

class IdleCallbackSlotTest : public ::testing::Test {
protected:
    // Stands in for the GUI thread's event loop: counts the wake-ups the slot asks for.
    Gate wakeUps{true};
    IdleCallbackSlot slot{[this] { wakeUps.pass(); }};
};

} // namespace

TEST_F(IdleCallbackSlotTest, CallbackRunsOnTheServingThreadWhileTheWorkerWaits)
{
    EXPECT_FALSE(slot.serveIdleRequest());
    Request request;
    int seenByWorker = -1;
    std::thread worker([&] {
        slot.runOnGuiThread(request);
        // Plain reads: the slot must have ordered the callback before this return.
        seenByWorker = request.calls;
    });
    EXPECT_TRUE(wakeUps.waitForArrivals(1));
    EXPECT_TRUE(slot.serveIdleRequest());
    worker.join();

    EXPECT_EQ(request.ranOn, std::this_thread::get_id());
    EXPECT_EQ(seenByWorker, 1);
    EXPECT_FALSE(slot.serveIdleRequest());
}

TEST_F(IdleCallbackSlotTest, ExceptionOfTheCallbackIsRethrownOnTheWorker)
{
    Request request([] { throw Quorvel::IOException("no texture"); });
    wxString caught;
    std::thread worker([&] {
        try {
            slot.runOnGuiThread(request);
        } catch (const Quorvel::IOException& e) {
            caught = e.getMessage();
        }
    });
    EXPECT_TRUE(wakeUps.waitForArrivals(1));
    EXPECT_TRUE(slot.serveIdleRequest());
    worker.join();
    EXPECT_EQ(caught, "no texture");
}

TEST_F(IdleCallbackSlotTest, TwoWorkersAreServedOneAtATime)
{
    int nestedServes = 0;
    Request first([&] { nestedServes += slot.serveIdleRequest() ? 1 : 0; });
    Request second([&] { nestedServes += slot.serveIdleRequest() ? 1 : 0; });
    std::thread a([&] { slot.runOnGuiThread(first); });
    std::thread b([&] { slot.runOnGuiThread(second); });
    EXPECT_TRUE(wakeUps.waitForArrivals(1));
    EXPECT_TRUE(slot.serveIdleRequest());
    EXPECT_TRUE(wakeUps.waitForArrivals(2));
    EXPECT_TRUE(slot.serveIdleRequest());
    a.join();
    b.join();

    EXPECT_EQ(first.calls, 1);
    EXPECT_EQ(second.calls, 1);
    // An idle event handled inside a callback (a nested event loop) serves nothing.
    EXPECT_EQ(nestedServes, 0);
}

TEST_F(IdleCallbackSlotTest, CancelledRequestIsWithdrawnAndFreesTheSlot)
{
    Request withdrawn, next;
    std::atomic<bool> cancel{false};
    bool aborted = false;
    std::thread worker([&] {
        try {
            slot.runOnGuiThread(withdrawn, [&] { return cancel.load(); });
        } catch (const Quorvel::AbortException&) {
            aborted = true;
        }
    });
    EXPECT_TRUE(wakeUps.waitForArrivals(1));
    cancel = true;
    worker.join();
    EXPECT_TRUE(aborted);

    std::thread other([&] { slot.runOnGuiThread(next); });
    EXPECT_TRUE(wakeUps.waitForArrivals(2));
    EXPECT_TRUE(slot.serveIdleRequest());
    other.join();
    EXPECT_EQ(withdrawn.calls, 0);
    EXPECT_EQ(next.calls, 1);
}
