#pragma once
// A long-lived service thread of the process (the update and news checks): started once, it
// runs work() until work() returns or stop() is called. work() sleeps only through
// waitFor(), which ends at once when the thread is asked to stop, so stop() never waits out a
// sleep; onStop() lets a subclass end a call under way.
//
// Threads: start() and stop() from the owner's thread (the GUI thread); work() on the thread.
// m_lock guards m_stopping.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Quorvel {

class BackgroundThread {
public:
    BackgroundThread() = default;
    // Subclasses call stop() in their destructor: work() must not outlive their members.
    virtual ~BackgroundThread();
    BackgroundThread(const BackgroundThread&) = delete;
    BackgroundThread& operator=(const BackgroundThread&) = delete;

    void start();
    // Asks the thread to end, calls onStop() and waits for work() to return. Idempotent.
    void stop();
    bool isStopping() const;

protected:
    virtual void work() = 0;
    // On the stopping thread, after the request: ends what work() may be blocked in.
    virtual void onStop() {}
    // Sleeps `duration`; false (at once) when the thread is asked to stop.
    bool waitFor(std::chrono::milliseconds duration);

private:
    mutable std::mutex m_lock;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace Quorvel
