#pragma once
// The registrations of uploaded pictures (registerFile with "uploaded"), sent by a thread of
// their own on a client (and so a connection) of their own while the next picture uploads: the
// service's commit of one registration no longer holds up the next transfer.
//
// They go out in the order pushed. At most `capacity` wait to be sent: push() waits while that
// many do, so memory stays flat however many pictures a pass sends. The first registration that
// fails stops the queue: the ones behind it are dropped unsent, and its exception is thrown on
// the owner's thread by checkFailure(). A registration is handed back (collect) only
// once the service has taken it, so its picture is marked stored only then.
//
// Threads: push(), collect() and checkFailure() on the owner's thread (a task's); interrupt()
// from any thread. The worker only sends: it never touches the pictures or the catalogue.
// m_lock guards m_waiting, m_registered, m_sending, m_failure and m_stopping; the client is the
// worker's while the queue lives.

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

    // `client`: logged in (its session set) and used by nothing else from now on.
    RegistrationQueue(Quorvel::Ref<StorageClient_3_0> client, size_t capacity);
    // Interrupts what is being sent, drops what waits and joins the worker.
    ~RegistrationQueue();
    RegistrationQueue(const RegistrationQueue&) = delete;
    RegistrationQueue& operator=(const RegistrationQueue&) = delete;

    // Queues `registration`, first waiting while `capacity` wait. Once the queue has stopped
    // (a registration failed, or interrupt()) it is dropped; checkFailure() says why. Never
    // throws the failure, so what was taken before it can still be collected.
    void push(Registration registration);
    // The registrations the service has taken since the last call, in order; with
    // `waitForAll`, first waits until every queued one is sent or one failed. Never throws the
    // failure: what was taken before it is still handed back.
    std::vector<Registration> collect(bool waitForAll);
    // Throws the failure of a registration, if one failed; AbortException after interrupt().
    void checkFailure();
    // Any thread: ends the call under way and stops the queue.
    void interrupt();

private:
    void work();
    // With m_lock held.
    void throwFailure() const;

    Quorvel::Ref<StorageClient_3_0> m_client;
    const size_t m_capacity;
    std::mutex m_lock;
    std::condition_variable m_changed;
    std::deque<Registration> m_waiting;
    std::vector<Registration> m_registered;
    bool m_sending = false;
    bool m_stopping = false;
    std::exception_ptr m_failure;
    std::thread m_worker;
};

} // namespace Brenmarle
