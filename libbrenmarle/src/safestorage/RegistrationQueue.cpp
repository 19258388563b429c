#include "safestorage/RegistrationQueue.h"

#include <utility>

#include <wx/intl.h>

#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

RegistrationQueue::RegistrationQueue(std::vector<Quorvel::Ref<StorageClient_3_0>> clients,
                                     size_t capacity)
    : m_clients(std::move(clients)), m_capacity(capacity == 0 ? 1 : capacity)
{
    for (const Quorvel::Ref<StorageClient_3_0>& client : m_clients)
        m_workers.emplace_back([this, &client] { work(*client); });
}

RegistrationQueue::~RegistrationQueue()
{
    interrupt();
    for (std::thread& worker : m_workers)
        worker.join();
}

void RegistrationQueue::push(Registration registration)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock,
                   [this] { return m_waiting.size() < m_capacity || m_failure || m_stopping; });
    if (m_failure || m_stopping)
        return;
    m_waiting.push_back(std::move(registration));
    m_changed.notify_all();
}

std::vector<RegistrationQueue::Registration> RegistrationQueue::collect(bool waitForAll)
{
    std::unique_lock<std::mutex> lock(m_lock);
    if (waitForAll)
        m_changed.wait(lock, [this] {
            return ((m_waiting.empty() || m_failure) && m_sending == 0) || m_stopping;
        });
    std::vector<Registration> registered;
    registered.swap(m_registered);
    return registered;
}

bool RegistrationQueue::hasFailed()
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_failure || m_stopping;
}

void RegistrationQueue::checkFailure()
{
    std::lock_guard<std::mutex> lock(m_lock);
    throwFailure();
}

void RegistrationQueue::throwFailure() const
{
    // An interrupted call fails too; the abort that caused it is what the owner must hear.
    if (m_stopping)
        throw Quorvel::AbortException(_("Task aborted on request"));
    if (m_failure)
        std::rethrow_exception(m_failure);
}

void RegistrationQueue::interrupt()
{
    {
        std::lock_guard<std::mutex> lock(m_lock);
        m_stopping = true;
        m_changed.notify_all();
    }
    for (const Quorvel::Ref<StorageClient_3_0>& client : m_clients)
        client->interrupt();
}

void RegistrationQueue::work(StorageClient_3_0& client)
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_waiting.empty() || m_stopping || m_failure; });
        if (m_stopping || m_failure)
            return;
        Registration registration = std::move(m_waiting.front());
        m_waiting.pop_front();
        ++m_sending;
        lock.unlock();
        std::exception_ptr failure;
        try {
            client.registerFile(registration.id, registration.info, true);
        } catch (...) {
            // Handed to the owner's thread, which fails the pass with it.
            failure = std::current_exception();
        }
        lock.lock();
        --m_sending;
        if (failure) {
            if (!m_failure && !m_stopping)
                QDEBUG("[SYNCHRONIZETASK] Registration of %s failed; %zu waiting dropped",
                       registration.info.clientRef, m_waiting.size());
            if (!m_failure)
                m_failure = failure;
            m_waiting.clear();
        } else {
            m_registered.push_back(std::move(registration));
        }
        m_changed.notify_all();
        if (m_failure)
            return;
    }
}

} // namespace Brenmarle
