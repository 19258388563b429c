#pragma once
// Holds a worker thread at one point of its work until the test releases it or the work is
// aborted, so a test can act (abort, press Stop, add work) while a task is in the middle of it.
// Waits are bounded, so a broken test fails instead of hanging.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>

class Gate {
public:
    // Test thread: waits until the worker arrived; false after a generous limit.
    bool waitForArrival()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, LIMIT, [this] { return m_arrived; });
    }
    bool hasArrived()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_arrived;
    }
    void release() { change(&m_released); }
    // Worker thread: arrives, then waits for release() or for `aborted` (the worker's onAbort
    // calls wake(), so the flag is seen).
    void hold(const std::function<bool()>& aborted)
    {
        change(&m_arrived);
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait_for(lock, LIMIT, [&] { return m_released || aborted(); });
    }
    void wake() { change(nullptr); }

private:
    static constexpr std::chrono::seconds LIMIT{30};
    // Notified under the lock, so a waiter cannot miss it between its look and its wait.
    void change(bool* flag)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (flag)
            *flag = true;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_arrived = false;
    bool m_released = false;
};
