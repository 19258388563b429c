#include "threads/SelfDestructThread.h"

#include <csignal>
#include <cstdio>
#include <system_error>

#include <unistd.h>

#include "system/Log.h"

namespace Quorvel {

SelfDestructThread::SelfDestructThread(std::chrono::milliseconds limit)
    : m_limit(limit), m_lastReset(Clock::now())
{
    try {
        m_thread = std::thread(&SelfDestructThread::run, this);
    } catch (const std::system_error&) {
        wxLogDebug("ERROR: COULD NOT CREATE SELFDESTRUCT THREAD!");
        wxLogDebug("ERROR: COULD NOT CREATE SELFDESTRUCT THREAD!!");
        wxLogDebug("ERROR: COULD NOT CREATE SELFDESTRUCT THREAD!!!");
    }
}

SelfDestructThread::~SelfDestructThread()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void SelfDestructThread::resetTimer()
{
    QDEBUG("[SELFDESTRUCT] Reset timer!");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_lastReset = Clock::now();
}

void SelfDestructThread::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stop) {
        m_wake.wait_for(lock, std::chrono::milliseconds(100));
        if (!m_stop && Clock::now() > m_lastReset + m_limit) {
            // Logging from this thread is buffered until the GUI thread flushes, which it is
            // not doing (it hangs), so write straight to stderr.
            std::fprintf(stderr, "[SELFDESTRUCT] Shut-down step took longer than %lld ms; killing process\n",
                         static_cast<long long>(m_limit.count()));
            std::fflush(stderr);
            ::kill(::getpid(), SIGKILL);
        }
    }
}

} // namespace Quorvel
