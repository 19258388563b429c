#pragma once
// The hand-over between the threads that accept connections and the worker threads that serve
// them: a first-in first-out queue of accepted connections with room for a fixed number. An
// acceptor waits while it is full, so at most that many accepted connections wait for a worker;
// the rest wait in the listening socket's backlog, not in memory.
//
// Threads: any number of pushers and poppers; close() from any thread.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>

namespace Provider {

class ProviderConnection;

class ConnectionQueue {
public:
    explicit ConnectionQueue(size_t capacity);
    ~ConnectionQueue();
    ConnectionQueue(const ConnectionQueue&) = delete;
    ConnectionQueue& operator=(const ConnectionQueue&) = delete;

    // Waits for room, then queues `connection`. Once closed, drops it (closing the connection)
    // and returns false.
    bool push(std::unique_ptr<ProviderConnection> connection);
    // Waits for a connection; null once the queue is closed.
    std::unique_ptr<ProviderConnection> pop();
    // Wakes every waiter; connections still queued are dropped (closed unanswered).
    void close();

private:
    const size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::unique_ptr<ProviderConnection>> m_connections;
    bool m_closed = false;
};

} // namespace Provider
