#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "system/Exceptions.h"
#include "threads/IdleCallbackSlot.h"

using Quorvel::IdleCallbackSlot;
using Quorvel::IWantIdleCallback;

namespace {

// Stands in for the GUI thread's event loop: counts the wake-ups the slot asks for.
class WakeUps {
public:
    void wake()
    {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            ++m_count;
        }
        m_changed.notify_all();
    }
    void waitFor(int count)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return m_count >= count; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_count = 0;
};

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
    WakeUps wakeUps;
    IdleCallbackSlot slot{[this] { wakeUps.wake(); }};
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
    wakeUps.waitFor(1);
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
    wakeUps.waitFor(1);
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
    wakeUps.waitFor(1);
    EXPECT_TRUE(slot.serveIdleRequest());
    wakeUps.waitFor(2);
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
    wakeUps.waitFor(1);
    cancel = true;
    worker.join();
    EXPECT_TRUE(aborted);

    std::thread other([&] { slot.runOnGuiThread(next); });
    wakeUps.waitFor(2);
    EXPECT_TRUE(slot.serveIdleRequest());
    other.join();
    EXPECT_EQ(withdrawn.calls, 0);
    EXPECT_EQ(next.calls, 1);
}
