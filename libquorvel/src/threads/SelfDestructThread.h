#pragma once
// The shutdown watchdog: a thread that kills its own process (SIGKILL) when the limit passes
// without a resetTimer(). Shut-down runs under it so that one hung step cannot leave a
// half-closed program behind for ever.
//
// Created, reset and destroyed on one thread (the GUI thread during exit). Destruction stops
// the watch and joins the thread.

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace Quorvel {

class SelfDestructThread {
public:
    using Clock = std::chrono::steady_clock;

    explicit SelfDestructThread(std::chrono::milliseconds limit);
    ~SelfDestructThread();
    SelfDestructThread(const SelfDestructThread&) = delete;
    SelfDestructThread& operator=(const SelfDestructThread&) = delete;

    // Starts the limit again from now. Logs "[SELFDESTRUCT] Reset timer!".
    void resetTimer();

private:
    void run();

    const std::chrono::milliseconds m_limit;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    Clock::time_point m_lastReset;
    bool m_stop = false;
    std::thread m_thread;
};

} // namespace Quorvel
