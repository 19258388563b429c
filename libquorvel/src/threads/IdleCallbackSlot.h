#pragma once
// Hands GUI-only work from a worker thread to the GUI thread: the worker puts its request into
// the slot and blocks; the application's idle handler runs it and lets the worker go on. One
// request is served at a time; a second worker waits until the slot is free.
//
// The application's idle handler calls, on every idle event:
//     if (Quorvel::IdleCallbackSlot::instance().serveIdleRequest())
//         event.RequestMore();
//     event.Skip();
//
// Threads: runOnGuiThread() from any thread but the GUI thread; serveIdleRequest() from the GUI
// thread only. m_mutex guards every field. Never wait for a worker (join it) on the GUI thread
// while it may be blocked here, unless its cancel check will let it go (see runOnGuiThread).

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>

#include "threads/IWantIdleCallback.h"

namespace Quorvel {

class IdleCallbackSlot {
public:
    // Asks the GUI thread's event loop for an idle event.
    using WakeUp = std::function<void()>;
    // Polled while waiting; true gives up.
    using CancelCheck = std::function<bool()>;

    // The toolkit's wxWakeUpIdle() wakes the GUI thread; tests pass their own.
    explicit IdleCallbackSlot(WakeUp wakeUp = WakeUp());
    IdleCallbackSlot(const IdleCallbackSlot&) = delete;
    IdleCallbackSlot& operator=(const IdleCallbackSlot&) = delete;

    // The slot the application's idle handler serves.
    static IdleCallbackSlot& instance();

    // Worker thread: blocks until request.idleCallback() has run on the GUI thread, and rethrows
    // what it threw. While the request is still waiting (for the slot or for the GUI thread to
    // take it), `cancelled` is polled every 10 ms; when it returns true the request is withdrawn
    // and AbortException is thrown. Once the GUI thread has taken the request, it is waited for.
    void runOnGuiThread(IWantIdleCallback& request, const CancelCheck& cancelled = CancelCheck());

    // GUI thread, from the idle handler: runs the waiting request, if any, and returns whether it
    // did. A call made while a request is being served (a nested event loop inside the
    // callback) returns false.
    bool serveIdleRequest();

private:
    const WakeUp m_wakeUp;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    IWantIdleCallback* m_request = nullptr; // the occupant of the slot
    bool m_taken = false;                   // the GUI thread is running it
    bool m_served = false;                  // it has run; the worker frees the slot
    std::exception_ptr m_error;             // what the callback threw
};

} // namespace Quorvel
