#pragma once
// The uploads of a synchronisation pass, sent by threads of their own while the task's thread
// reads and digests the next picture and decides on the ones after it: the wait on the service,
// which stores and flushes each file before it answers, no longer adds to the catalogue work.
// One thread per client given, each on its client's connection, so that while the service
// flushes one file the next is already on its way. Each upload the service took hands its
// registration on to the RegistrationQueue (in the order the uploads ended).
//
// They are taken in the order pushed. At most `capacity` wait to be sent: push() waits while
// that many do, so memory stays flat (each waiting upload may hold its file's bytes). The first
// upload that fails stops the queue: the uploads under way beside it end as they do, the ones
// waiting are dropped unsent, and its exception is thrown on the owner's thread by
// checkFailure(). The memory a sent file was held in comes back through takeMemory(), for the
// next picture to be read into.
//
// Threads: push(), drain(), hasFailed(), checkFailure() and takeMemory() on the owner's thread
// (a task's); interrupt() from any thread. The workers only send and hand on: they never touch
// the pictures or the catalogue. The byte progress of an upload goes to the task (Task::progress
// is safe from any thread while the task runs). m_lock guards everything the threads share; a
// client's transfers are its worker's while the queue lives (its calls stay the owner's).

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "safestorage/RegistrationQueue.h"
#include "service/PreparedUpload.h"
#include "service/StorageClient_3_0.h"

namespace Quorvel {
class Task;
}

namespace Brenmarle {

class UploadQueue {
public:
    struct Upload {
        PreparedUpload file;
        wxString url;
        // Handed to the registrations once the service took the file.
        RegistrationQueue::Registration registration;
    };

    // `clients` send (logged in), one upload each at a time; `task` hears each upload's
    // progress and may abort it; the uploads' registrations go to `registrations`. All outlive
    // the queue.
    UploadQueue(const std::vector<StorageClient_3_0*>& clients, Quorvel::Task& task,
                RegistrationQueue& registrations, size_t capacity);
    // Stops the uploads under way, drops what waits and joins the workers.
    ~UploadQueue();
    UploadQueue(const UploadQueue&) = delete;
    UploadQueue& operator=(const UploadQueue&) = delete;

    // Queues `upload`, first waiting while `capacity` wait. Once the queue has stopped it is
    // dropped; checkFailure() says why.
    void push(Upload upload);
    // Waits until every queued upload is sent and handed on, or one failed and those under way
    // beside it ended; returns at once after interrupt().
    void drain();
    // Whether an upload failed or the queue was interrupted: nothing more will be sent.
    bool hasFailed() const;
    // Throws the failure of an upload, if one failed; AbortException after interrupt().
    void checkFailure();
    // The memory of a file sent, for the next one to be read into; empty when there is none.
    std::vector<char> takeMemory();
    // Any thread: ends the uploads under way and stops the queue.
    void interrupt();

private:
    // What the transfer reports to and asks: the task, and whether the queue is stopping.
    class Progress;

    void work(StorageClient_3_0& client);
    bool stopping() const;

    Quorvel::Task& m_task;
    RegistrationQueue& m_registrations;
    const size_t m_capacity;
    const size_t m_workerCount;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Upload> m_waiting;
    // The memory of sent files, at most one per worker and one more.
    std::vector<std::vector<char>> m_spareMemory;
    size_t m_sending = 0;
    bool m_stopping = false;
    std::exception_ptr m_failure;
    std::vector<std::thread> m_workers;
};

} // namespace Brenmarle
