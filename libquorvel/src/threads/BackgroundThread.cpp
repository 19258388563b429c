#include "threads/BackgroundThread.h"

namespace Quorvel {

BackgroundThread::~BackgroundThread()
{
    stop();
}

void BackgroundThread::start()
{
    if (!m_thread.joinable())
        m_thread = std::thread([this] { work(); });
}

void BackgroundThread::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
    }
    m_wake.notify_all();
    onStop();
    if (m_thread.joinable())
        m_thread.join();
}

bool BackgroundThread::isStopping() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_stopping;
}

bool BackgroundThread::waitFor(std::chrono::milliseconds duration)
{
    std::unique_lock<std::mutex> lock(m_lock);
    return !m_wake.wait_for(lock, duration, [this] { return m_stopping; });
}

} // namespace Quorvel
