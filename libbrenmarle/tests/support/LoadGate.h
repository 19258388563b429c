#pragma once
// Holds background loads at a known point so a test can act while one is in progress: a worker
// that calls pass() while the gate is closed waits there until it opens. Tests wait for workers
// to arrive with a bounded wait, never by sleeping.

#include <condition_variable>
#include <cstddef>
#include <mutex>

class LoadGate {
public:
    // Open by default: pass() only counts.
    void close();
    void open();

    // Worker side: counts the arrival, then waits while the gate is closed.
    void pass();
    // Test side: waits until `count` workers have arrived in all; false after a generous limit.
    bool waitForArrivals(std::size_t count);
    std::size_t arrivals() const;

private:
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_open = true;
    std::size_t m_arrivals = 0;
};
