#pragma once
// Holds worker threads at one point of their work while it is closed, so a test can act (abort,
// cancel, press Stop, add work) while a task or a load is in the middle of it; counts the
// workers that arrived. Open, it only counts (a stand-in for a wake-up signal). Waits are
// bounded, so a broken test fails instead of hanging.

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <mutex>

class Gate {
public:
    explicit Gate(bool open = false) : m_open(open) {}

    void open() { change(true); }
    void close() { change(false); }

    // Worker thread: counts its arrival, then waits while the gate is closed, unless `aborted`
    // holds (the worker's onAbort calls wake(), so the flag is seen).
    void pass(const std::function<bool()>& aborted = [] { return false; })
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        ++m_arrivals;
        m_changed.notify_all();
        m_changed.wait_for(lock, LIMIT, [&] { return m_open || aborted(); });
    }
    void wake() { change(m_open); }

    // Test thread: waits until `count` workers arrived in all; false after a generous limit.
    bool waitForArrivals(std::size_t count = 1)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, LIMIT, [&] { return m_arrivals >= count; });
    }
    std::size_t arrivals()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_arrivals;
    }

private:
    static constexpr std::chrono::seconds LIMIT{30};
    // Notified under the lock, so a waiter cannot miss it between its look and its wait.
    void change(bool open)
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = open;
        m_changed.notify_all();
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open;
    std::size_t m_arrivals = 0;
};
