#include "LoadGate.h"

#include <chrono>

void LoadGate::close()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_open = false;
}

void LoadGate::open()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_open = true;
    }
    m_changed.notify_all();
}

void LoadGate::pass()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    ++m_arrivals;
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return m_open; });
}

bool LoadGate::waitForArrivals(std::size_t count)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::seconds(30), [&] { return m_arrivals >= count; });
}

std::size_t LoadGate::arrivals() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_arrivals;
}
