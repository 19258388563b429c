#pragma once
// The uploads of a synchronisation pass, sent by a thread of their own while the task's thread
// reads and digests the next picture and decides on the ones after it: the wait on the service,
// which stores and flushes each file before it answers, no longer adds to the catalogue work.
// Each upload the service took hands its registration on to the RegistrationQueue.
//
// They go out in the order pushed. At most `capacity` wait to be sent: push() waits while that
// many do, so memory stays flat (each waiting upload may hold its file's bytes). The first
// upload that fails stops the queue: the ones behind it are dropped unsent, and its exception is
// thrown on the owner's thread by checkFailure(). The memory a sent file was held in comes back
// through takeMemory(), for the next picture to be read into.
//
// Threads: push(), drain(), checkFailure() and takeMemory() on the owner's thread (a task's);
// interrupt() from any thread. The worker only sends and hands on: it never touches the pictures
// or the catalogue. The byte progress of an upload goes to the task (Task::progress is safe
// from any thread while the task runs). m_lock guards everything the two threads share; the
// client's transfers are the worker's while the queue lives (its calls stay the owner's).

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

    // `client` sends (logged in); `task` hears each upload's progress and may abort it; the
    // uploads' registrations go to `registrations`. All three outlive the queue.
    UploadQueue(StorageClient_3_0& client, Quorvel::Task& task, RegistrationQueue& registrations,
                size_t capacity);
    // Stops the upload under way, drops what waits and joins the worker.
    ~UploadQueue();
    UploadQueue(const UploadQueue&) = delete;
    UploadQueue& operator=(const UploadQueue&) = delete;

    // Queues `upload`, first waiting while `capacity` wait. Once the queue has stopped it is
    // dropped; checkFailure() says why.
    void push(Upload upload);
    // Waits until every queued upload is sent and handed on, or one failed.
    void drain();
    // Whether an upload failed or the queue was interrupted: nothing more will be sent.
    bool hasFailed() const;
    // Throws the failure of an upload, if one failed; AbortException after interrupt().
    void checkFailure();
    // The memory of a file sent, for the next one to be read into; empty when there is none.
    std::vector<char> takeMemory();
    // Any thread: ends the upload under way and stops the queue.
    void interrupt();

private:
    // What the transfer reports to and asks: the task, and whether the queue is stopping.
    class Progress;

    void work();
    bool stopping() const;

    StorageClient_3_0& m_client;
    Quorvel::Task& m_task;
    RegistrationQueue& m_registrations;
    const size_t m_capacity;
    mutable std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Upload> m_waiting;
    std::vector<char> m_spareMemory;
    bool m_sending = false;
    bool m_stopping = false;
    std::exception_ptr m_failure;
    std::thread m_worker;
};

} // namespace Brenmarle
