#pragma once
// A copy task that holds at one of its files until the test lets it go or the task is aborted,
// so a test can act (press Stop, abort, watch a dialog open) while the task is in the middle
// of that file. The held file is still copied once the hold ends, as a real copy in progress
// would be.

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

#include "filetasks/FileCopyTask.h"

class HeldCopyTask : public Brenmarle::FileCopyTask {
public:
    // Shared by the test and the task (which the slave manager deletes when it is done).
    class Hold {
    public:
        // Test thread: waits until the task reached the held file; false after a generous limit.
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
        void release() { set(m_released); }

    private:
        friend class HeldCopyTask;
        static constexpr std::chrono::seconds LIMIT{30};

        void set(bool& flag)
        {
            // Notified under the lock, so a waiter cannot miss it between its look and its wait.
            std::lock_guard<std::mutex> lock(m_mutex);
            flag = true;
            m_changed.notify_all();
        }
        // Task thread. Bounded, so a failing test ends instead of hanging its runner's join.
        void hold()
        {
            set(m_arrived);
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_for(lock, LIMIT, [this] { return m_released || m_aborted; });
        }

        std::mutex m_mutex;
        std::condition_variable m_changed;
        bool m_arrived = false;
        bool m_released = false;
        bool m_aborted = false;
    };

    // Holds at file number `heldAt` (counting from 1).
    HeldCopyTask(Files files, Brenmarle::FolderRef destination, int heldAt,
                 std::shared_ptr<Hold> hold)
        : FileCopyTask(std::move(files), std::move(destination)), m_heldAt(heldAt),
          m_hold(std::move(hold))
    {
    }

protected:
    void handleFile(Brenmarle::File& file) override
    {
        if (++m_handled == m_heldAt)
            m_hold->hold();
        FileCopyTask::handleFile(file);
    }
    void onAbort() override { m_hold->set(m_hold->m_aborted); }

private:
    const int m_heldAt;
    int m_handled = 0; // task thread only
    std::shared_ptr<Hold> m_hold;
};
