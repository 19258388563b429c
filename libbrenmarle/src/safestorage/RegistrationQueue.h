#pragma once
// The registrations of uploaded pictures (registerFile with "uploaded"), sent by threads of
// their own, each on a client (and so a connection) of its own, while the next pictures upload:
// the service's commit of one registration no longer holds up the next transfer, and while the
// service flushes one registration the next is on its way.
//
// They are taken in the order pushed. At most `capacity` wait to be sent: push() waits while
// that many do, so memory stays flat however many pictures a pass sends. The first registration
// that fails stops the queue: those under way beside it end as they do, the ones waiting are
// dropped unsent, and its exception is thrown on the owner's thread by checkFailure(). A
// registration is handed back (collect) only once the service has taken it, so its picture is
// marked stored only then.
//
// Threads: push() from the owner's thread or a thread it started (the uploads'); collect(),
// hasFailed() and checkFailure() on the owner's thread (a task's); interrupt() from any
// thread. The workers only send: they never touch the pictures or the catalogue. m_lock guards
// m_waiting, m_registered, m_sending, m_failure and m_stopping; the clients are the workers'
// while the queue lives.

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

#include "files/File.h"
#include "service/StorageClient_3_0.h"

namespace Brenmarle {

class RegistrationQueue {
public:
    struct Registration {
        // The owner's picture, carried through untouched by the worker.
        Quorvel::Ref<File> file;
        StorageClient_3_0::FileId id;
        StorageClient_3_0::FileInfo info;
        StorageClient_3_0::StorageType storageType = StorageClient_3_0::NO_SAFE_STORAGE;
    };

    // `clients`: logged in (their session set) and used by nothing else from now on; one
    // registration is sent on each at a time.
    RegistrationQueue(std::vector<Quorvel::Ref<StorageClient_3_0>> clients, size_t capacity);
    // Interrupts what is being sent, drops what waits and joins the workers.
    ~RegistrationQueue();
    RegistrationQueue(const RegistrationQueue&) = delete;
    RegistrationQueue& operator=(const RegistrationQueue&) = delete;

    // Queues `registration`, first waiting while `capacity` wait. Once the queue has stopped
    // (a registration failed, or interrupt()) it is dropped; checkFailure() says why. Never
    // throws the failure, so what was taken before it can still be collected.
    void push(Registration registration);
    // The registrations the service has taken since the last call, in the order it took them;
    // with `waitForAll`, first waits until every queued one is sent, or one failed and those
    // under way beside it ended. Never throws the failure: what was taken before it is still
    // handed back.
    std::vector<Registration> collect(bool waitForAll);
    // Whether a registration failed or the queue was interrupted: nothing more will be sent.
    bool hasFailed();
    // Throws the failure of a registration, if one failed; AbortException after interrupt().
    void checkFailure();
    // Any thread: ends the call under way and stops the queue.
    void interrupt();

private:
    void work(StorageClient_3_0& client);
    // With m_lock held.
    void throwFailure() const;

    const std::vector<Quorvel::Ref<StorageClient_3_0>> m_clients;
    const size_t m_capacity;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Registration> m_waiting;
    std::vector<Registration> m_registered;
    size_t m_sending = 0;
    bool m_stopping = false;
    std::exception_ptr m_failure;
    std::vector<std::thread> m_workers;
};

} // namespace Brenmarle
