#include "ConnectionQueue.h"

#include "ProviderConnection.h"

namespace Provider {

ConnectionQueue::ConnectionQueue(size_t capacity) : m_capacity(capacity == 0 ? 1 : capacity) {}

ConnectionQueue::~ConnectionQueue() = default;

bool ConnectionQueue::push(std::unique_ptr<ProviderConnection> connection)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_closed || m_connections.size() < m_capacity; });
    if (m_closed)
        return false;
    m_connections.push_back(std::move(connection));
    m_changed.notify_all();
    return true;
}

std::unique_ptr<ProviderConnection> ConnectionQueue::pop()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [&] { return m_closed || !m_connections.empty(); });
    if (m_closed)
        return nullptr;
    auto connection = std::move(m_connections.front());
    m_connections.pop_front();
    m_changed.notify_all();
    return connection;
}

void ConnectionQueue::close()
{
    std::deque<std::unique_ptr<ProviderConnection>> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_closed = true;
        dropped.swap(m_connections);
        m_changed.notify_all();
    }
    // Closed outside the lock: closing a connection may take a moment.
}

} // namespace Provider
