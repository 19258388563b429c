#include "safestorage/UploadQueue.h"

#include <utility>

#include <wx/intl.h>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/Task.h"

namespace Brenmarle {

class UploadQueue::Progress : public Quorvel::HttpCallbackObj {
public:
    explicit Progress(const UploadQueue& queue) : m_queue(queue) {}
    bool progress(int64_t done, int64_t total) override
    {
        return !m_queue.stopping() && m_queue.m_task.progress(done, total);
    }
    bool isAbortRequested() const override
    {
        return m_queue.stopping() || m_queue.m_task.isAborted();
    }

private:
    const UploadQueue& m_queue;
};

UploadQueue::UploadQueue(const std::vector<StorageClient_3_0*>& clients, Quorvel::Task& task,
                         RegistrationQueue& registrations, size_t capacity)
    : m_task(task), m_registrations(registrations), m_capacity(capacity == 0 ? 1 : capacity),
      m_workerCount(clients.size())
{
    for (StorageClient_3_0* client : clients)
        m_workers.emplace_back([this, client] { work(*client); });
}

UploadQueue::~UploadQueue()
{
    interrupt();
    for (std::thread& worker : m_workers)
        worker.join();
}

void UploadQueue::push(Upload upload)
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock,
                   [this] { return m_waiting.size() < m_capacity || m_failure || m_stopping; });
    if (m_failure || m_stopping)
        return;
    m_waiting.push_back(std::move(upload));
    m_changed.notify_all();
}

void UploadQueue::drain()
{
    std::unique_lock<std::mutex> lock(m_lock);
    m_changed.wait(lock, [this] {
        return ((m_waiting.empty() || m_failure) && m_sending == 0) || m_stopping;
    });
}

bool UploadQueue::hasFailed() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_failure || m_stopping;
}

void UploadQueue::checkFailure()
{
    std::lock_guard<std::mutex> lock(m_lock);
    // An interrupted upload fails too; the abort that caused it is what the owner must hear.
    if (m_stopping)
        throw Quorvel::AbortException(_("Task aborted on request"));
    if (m_failure)
        std::rethrow_exception(m_failure);
}

std::vector<char> UploadQueue::takeMemory()
{
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_spareMemory.empty())
        return {};
    std::vector<char> memory = std::move(m_spareMemory.back());
    m_spareMemory.pop_back();
    return memory;
}

void UploadQueue::interrupt()
{
    std::lock_guard<std::mutex> lock(m_lock);
    m_stopping = true;
    m_changed.notify_all();
}

bool UploadQueue::stopping() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_stopping;
}

void UploadQueue::work(StorageClient_3_0& client)
{
    std::unique_lock<std::mutex> lock(m_lock);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_waiting.empty() || m_stopping || m_failure; });
        if (m_stopping || m_failure)
            return;
        Upload upload = std::move(m_waiting.front());
        m_waiting.pop_front();
        ++m_sending;
        lock.unlock();
        std::exception_ptr failure;
        try {
            Progress progress(*this);
            client.sendFile(upload.file, upload.url, _("Error before uploading file to storage"),
                            _("Error uploading to safe storage"), progress,
                            StorageClient_3_0::MAX_FILE_BYTES - 1);
            // Waits while the registrations are full: the uploads then wait too.
            m_registrations.push(std::move(upload.registration));
        } catch (...) {
            // Handed to the owner's thread, which fails the pass with it.
            failure = std::current_exception();
        }
        std::vector<char> memory = upload.file.takeStorage();
        lock.lock();
        --m_sending;
        if (m_spareMemory.size() <= m_workerCount && memory.capacity() > 0)
            m_spareMemory.push_back(std::move(memory));
        if (failure && !m_failure) {
            m_failure = failure;
            if (!m_stopping)
                QDEBUG("[SYNCHRONIZETASK] Upload of %s failed; %zu waiting dropped",
                       upload.registration.info.clientRef, m_waiting.size());
            m_waiting.clear();
        }
        m_changed.notify_all();
        if (m_failure)
            return;
    }
}

} // namespace Brenmarle
