#include "thumbnails/ThumbnailLoadQueue.h"

#include <algorithm>
#include <exception>
#include <iterator>

#include <wx/thread.h>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ThumbnailManager.h"

namespace Brenmarle {

class ThumbnailLoadQueue::Worker : public wxThread {
public:
    Worker(ThumbnailLoadQueue& queue, std::size_t slot)
        : wxThread(wxTHREAD_JOINABLE), m_queue(queue), m_slot(slot)
    {
    }

protected:
    ExitCode Entry() override
    {
        m_queue.runLoop(m_slot);
        return nullptr;
    }

private:
    ThumbnailLoadQueue& m_queue;
    std::size_t m_slot;
};

ThumbnailLoadQueue::ThumbnailLoadQueue(ThumbnailManager& manager,
                                       std::unique_ptr<ThumbnailLoader> defaultLoader,
                                       std::size_t threads)
    : m_manager(manager), m_defaultLoader(std::move(defaultLoader)),
      m_threadCount(std::max<std::size_t>(threads, 1)), m_inProgress(m_threadCount)
{
    wxASSERT_MSG(m_defaultLoader, "defaultLoader != nullptr (ThumbnailLoadQueue.cpp)");
    try {
        for (std::size_t slot = 0; slot < m_threadCount; ++slot) {
            auto worker = std::make_unique<Worker>(*this, slot);
            if (worker->Create() != wxTHREAD_NO_ERROR || worker->Run() != wxTHREAD_NO_ERROR)
                throw Quorvel::RuntimeException(wxS("Could not start a thumbnail loader thread"));
            m_threads.push_back(std::move(worker));
        }
    } catch (...) {
        stop(); // the threads already running must not outlive the queue
        throw;
    }
}

ThumbnailLoadQueue::~ThumbnailLoadQueue()
{
    stop();
}

bool ThumbnailLoadQueue::add(Request request)
{
    wxASSERT_MSG(request.file, "request.file != nullptr (ThumbnailLoadQueue.cpp)");
    const auto same = [&request](const Request& other) {
        return other.file == request.file && other.handler == request.handler &&
               other.values == request.values && other.loader == request.loader;
    };
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const bool asked = std::any_of(m_waiting.begin(), m_waiting.end(), same) ||
                           std::any_of(m_inProgress.begin(), m_inProgress.end(),
                                       [&same](const std::optional<Request>& current) {
                                           return current && same(*current);
                                       });
        if (asked)
            return false;
        m_waiting.push_back(std::move(request));
    }
    m_wake.notify_one();
    return true;
}

void ThumbnailLoadQueue::cancel(wxEvtHandler* handler)
{
    std::deque<Request> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (std::optional<Request>& current : m_inProgress) {
            if (current && current->handler == handler)
                current->handler = nullptr;
        }
        const auto kept = std::stable_partition(
            m_waiting.begin(), m_waiting.end(),
            [handler](const Request& request) { return request.handler != handler; });
        std::move(kept, m_waiting.end(), std::back_inserter(dropped));
        m_waiting.erase(kept, m_waiting.end());
    }
    // The dropped file references go here, outside the lock.
}

void ThumbnailLoadQueue::clear()
{
    std::deque<Request> dropped;
    std::unique_lock<std::mutex> lock(m_mutex);
    dropped.swap(m_waiting);
    for (std::optional<Request>& current : m_inProgress) {
        if (current)
            current->handler = nullptr;
    }
    m_idle.wait(lock, [this] { return m_busy == 0; });
}

void ThumbnailLoadQueue::stop()
{
    std::deque<Request> dropped;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = true;
        dropped.swap(m_waiting);
    }
    m_wake.notify_all();
    for (const std::unique_ptr<Worker>& thread : m_threads)
        thread->Wait(wxTHREAD_WAIT_BLOCK);
    m_threads.clear();
}

void ThumbnailLoadQueue::runLoop(std::size_t slot)
{
    Quorvel::Ref<File> file;
    ThumbnailLoader* loader = nullptr;
    while (takeNext(slot, file, loader)) {
        // Taken before the load: should the file change meanwhile, the result counts as old.
        const ThumbnailManager::FileStamp stamp = ThumbnailManager::FileStamp::of(*file);
        const Result result = load(*loader, *file);
        const wxString uri = file->getURI();
        file.reset();
        finish(slot, result, uri, stamp);
    }
    QDEBUG("[THUMBNAILLOADQUEUE] Thread has reached the end");
}

bool ThumbnailLoadQueue::takeNext(std::size_t slot, Quorvel::Ref<File>& file,
                                  ThumbnailLoader*& loader)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_wake.wait(lock, [this] { return m_stopRequested || !m_waiting.empty(); });
    if (m_stopRequested)
        return false;
    std::optional<Request>& current = m_inProgress[slot];
    current = std::move(m_waiting.front());
    m_waiting.pop_front();
    ++m_busy;
    file = current->file;
    // The request's own loader stays alive in the slot until finish().
    loader = current->loader ? current->loader.get() : m_defaultLoader.get();
    return true;
}

ThumbnailLoadQueue::Result ThumbnailLoadQueue::load(ThumbnailLoader& loader, File& file)
{
    wxString failure;
    try {
        Quorvel::Ref<ImageData> image = loader.loadThumbnail(file);
        if (image) {
            // Thumbnails are only drawn: the cache keeps hundreds of them, at three bytes a
            // pixel instead of ImageMagick's eight, and the views get them ready to draw.
            image->keepDrawableOnly();
            return {image, false};
        }
        failure = wxS("the loader returned no picture");
    } catch (const std::exception& e) {
        // Ours (ImageException, NotFoundException...) and the libraries' (bad_alloc) alike.
        failure = wxString::FromUTF8(e.what());
    } catch (...) {
        failure = wxS("unknown error");
    }
    QDEBUG("[THUMBNAILLOADQUEUE] Failure");
    QDEBUG("[THUMBNAILLOADQUEUE] %s: %s", file.getURI(), failure);
    try {
        return {loader.getFailureThumbnail(), true};
    } catch (const std::exception& e) {
        // A broken installation: the user must hear of it, and the view keeps its
        // loading placeholder rather than get no picture at all.
        wxLogError("%s", wxString::FromUTF8(e.what()));
        return {nullptr, true};
    }
}

void ThumbnailLoadQueue::finish(std::size_t slot, const Result& result, const wxString& uri,
                                const ThumbnailManager::FileStamp& stamp)
{
    Request done;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::optional<Request>& current = m_inProgress[slot];
        // When stopping, the manager may be on its way out: hand it nothing.
        if (result.image && !m_stopRequested) {
            const ThumbnailUpdateEvent event(THUMBNAIL_UPDATE, current->file, result.image,
                                             current->values, result.failed);
            m_manager.thumbnailLoaded(event, uri, stamp, current->handler);
        }
        done = std::move(*current);
        current.reset();
    }
    // The file and loader references go outside the lock, but before the load counts as
    // ended: clear() promises that nothing here holds a file once it returns.
    done = Request();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        --m_busy;
    }
    m_idle.notify_all();
}

} // namespace Brenmarle
