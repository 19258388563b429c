#pragma once
// Loads the thumbnails views asked for, first come first served, on background threads, and
// hands each result to the thumbnail manager, which keeps it and posts it to the view that asked.
// A thumbnail that cannot be loaded is logged ("[THUMBNAILLOADQUEUE] Failure") and the failure
// placeholder stands in; the threads never let an exception escape.
//
// Idle threads wait on a condition variable, so a request starts as soon as it is added and an
// empty queue costs nothing. With more than one thread, requests are still started in order but
// may finish out of order.
//
// Lifetime: owned by the thumbnail manager, which makes it on its first load request. stop()
// (and the destructor) drop the waiting requests, let the running loads end without an event
// and join the threads; each logs "[THUMBNAILLOADQUEUE] Thread has reached the end".
//
// Threads: add(), cancel(), clear() and stop() from any thread (the manager calls them on the
// GUI thread). m_mutex guards m_waiting, m_inProgress, m_busy and m_stopRequested, and is held
// while a result passes to the manager, so nothing reaches a view once cancel() has returned.
// Lock order: m_mutex, then the manager's lock; the manager never calls in here holding its own.
// No file is asked anything under m_mutex: that takes the library lock, which a view may hold
// while it adds a request.
// m_threads belongs to the constructor and stop().

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

#include <wx/event.h>

#include "files/File.h"
#include "imaging/ImageData.h"
#include "thumbnails/ThumbnailLoader.h"
#include "thumbnails/ThumbnailManager.h"
#include "thumbnails/ThumbnailUpdateEvent.h"

namespace Brenmarle {

class ThumbnailLoadQueue {
public:
    struct Request {
        Quorvel::Ref<File> file;
        // Told about the result; null once the request was cancelled.
        wxEvtHandler* handler = nullptr;
        ThumbnailUpdateEvent::Values values;
        // Null: the queue's default loader.
        std::shared_ptr<ThumbnailLoader> loader;
    };

    // Starts `threads` loader threads (at least one). Results go through `manager`, which must
    // outlive the queue. Throws Quorvel::RuntimeException when a thread cannot be started.
    ThumbnailLoadQueue(ThumbnailManager& manager, std::unique_ptr<ThumbnailLoader> defaultLoader,
                       std::size_t threads = 1);
    ~ThumbnailLoadQueue();
    ThumbnailLoadQueue(const ThumbnailLoadQueue&) = delete;
    ThumbnailLoadQueue& operator=(const ThumbnailLoadQueue&) = delete;

    // Appends the request. One equal to a request waiting or in progress (same file object,
    // handler, values and loader) is not added again: a view repainting before its thumbnail
    // arrives asks once per paint. Returns whether it was added.
    bool add(Request request);
    // Removes every waiting request of `handler`; a load of its in progress ends without an event.
    void cancel(wxEvtHandler* handler);
    // Removes every waiting request and returns once no load is in progress, so that nothing
    // here holds a file any more (at exit, before the file manager goes).
    void clear();
    // Ends the threads as described above. Later calls return at once.
    void stop();

    std::size_t getThreadCount() const { return m_threadCount; }

private:
    class Worker;

    struct Result {
        Quorvel::Ref<ImageData> image; // null when not even the failure placeholder loads
        bool failed = false;
    };

    void runLoop(std::size_t slot);
    // Waits for the next request and puts it in `slot`; false once stop is requested.
    bool takeNext(std::size_t slot, Quorvel::Ref<File>& file, ThumbnailLoader*& loader);
    static Result load(ThumbnailLoader& loader, File& file);
    void finish(std::size_t slot, const Result& result, const wxString& uri,
                const ThumbnailManager::FileStamp& stamp);

    ThumbnailManager& m_manager;
    const std::unique_ptr<ThumbnailLoader> m_defaultLoader;
    const std::size_t m_threadCount;

    std::mutex m_mutex;
    std::condition_variable m_wake; // a request was added, or stop was requested
    std::condition_variable m_idle; // a load ended
    std::deque<Request> m_waiting;
    std::vector<std::optional<Request>> m_inProgress; // one slot per thread
    std::size_t m_busy = 0; // threads between taking a request and letting go of it
    bool m_stopRequested = false;

    std::vector<std::unique_ptr<Worker>> m_threads;
};

} // namespace Brenmarle
