#pragma once
// Holds the library lock on a thread of its own, as a long catalogue query of another thread
// would, until released or destroyed. A window that does its catalogue work on the GUI thread
// waits for it meanwhile; one that hands the work to a worker answers at once. The holder lets
// go by itself after a few seconds, so a window that waits stalls the test instead of hanging
// it, and gaveUp() then tells on it.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "core/LibraryLock.h"

class HeldLibraryLock {
public:
    explicit HeldLibraryLock(std::chrono::milliseconds limit = std::chrono::seconds(5))
    {
        m_thread = std::thread([this, limit] {
            Brenmarle::LibraryLock lock;
            std::unique_lock<std::mutex> guard(m_mutex);
            m_held = true;
            m_changed.notify_all();
            if (!m_changed.wait_for(guard, limit, [this] { return m_released; }))
                m_gaveUp = true;
        });
        std::unique_lock<std::mutex> guard(m_mutex);
        m_changed.wait(guard, [this] { return m_held; });
    }
    ~HeldLibraryLock() { release(); }
    HeldLibraryLock(const HeldLibraryLock&) = delete;
    HeldLibraryLock& operator=(const HeldLibraryLock&) = delete;

    // Lets go of the lock and waits until it is free.
    void release()
    {
        {
            std::lock_guard<std::mutex> guard(m_mutex);
            m_released = true;
            m_changed.notify_all();
        }
        if (m_thread.joinable())
            m_thread.join();
    }
    // Whether the limit ran out before release(): someone waited on the lock that long.
    bool gaveUp()
    {
        std::lock_guard<std::mutex> guard(m_mutex);
        return m_gaveUp;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    bool m_held = false;
    bool m_released = false;
    bool m_gaveUp = false;
    std::thread m_thread;
};
