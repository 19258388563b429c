#include "thumbnails/ThumbnailManager.h"

#include <algorithm>
#include <atomic>

#include <wx/filefn.h>

#include "filemanager/FileManager.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ImageLoader.h"
#include "thumbnails/ThumbnailLoadQueue.h"
#include "thumbnails/ThumbnailLoader.h"

namespace Brenmarle {

namespace {

std::atomic<ThumbnailManager*> g_manager{nullptr};

const wxString ENCRYPTED_TYPE = wxS("application/pgp-encrypted");

void require(bool condition, const char* text)
{
    if (!condition)
        throw Quorvel::LogicException(
            wxString::Format("Precondition failed: %s (ThumbnailManager.cpp)", text));
}

} // namespace

ThumbnailManager::FileStamp ThumbnailManager::FileStamp::of(const File& file)
{
    return {file.getFileModifyTime(), file.getFileSize()};
}

ThumbnailManager::ThumbnailManager(std::size_t loaderThreads, std::size_t cacheSize,
                                   std::chrono::milliseconds failureRetry, std::size_t cacheBytes)
    : m_loaderThreads(std::max<std::size_t>(loaderThreads, 1)),
      m_cacheSize(std::max<std::size_t>(cacheSize, 1)), m_cacheBytes(cacheBytes),
      m_failureRetry(failureRetry)
{
    ThumbnailManager* expected = nullptr;
    const bool first = g_manager.compare_exchange_strong(expected, this);
    wxASSERT_MSG(first, "only one ThumbnailManager at a time (ThumbnailManager.cpp)");
    (void)first;
}

ThumbnailManager::~ThumbnailManager()
{
    // The queue's threads use the cache and the placeholders: they end before either goes.
    std::unique_ptr<ThumbnailLoadQueue> queue;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        queue.swap(m_queue);
    }
    queue.reset();
    ThumbnailManager* self = this;
    g_manager.compare_exchange_strong(self, nullptr);
}

ThumbnailManager& ThumbnailManager::get()
{
    ThumbnailManager* manager = g_manager.load();
    if (!manager)
        throw Quorvel::NullPointerException(wxS("There is no thumbnail manager"));
    return *manager;
}

bool ThumbnailManager::exists()
{
    return g_manager.load() != nullptr;
}

ThumbnailLoadQueue& ThumbnailManager::queue()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    if (!m_queue)
        m_queue = std::make_unique<ThumbnailLoadQueue>(
            *this, std::make_unique<ThumbnailLoader>(m_placeholders), m_loaderThreads);
    return *m_queue;
}

Quorvel::Ref<ImageData> ThumbnailManager::getThumbnail(const Quorvel::Ref<File>& file,
                                                       wxEvtHandler* handler, int value1,
                                                       int value2, int value3, int value4,
                                                       bool flag)
{
    require(bool(file), "file != nullptr");
    const wxString contentType = file->getContentType();
    if (file->isImage()) {
        const wxString uri = file->getURI();
        require(!uri.empty(), "!uri.empty()");
        const FileStamp stamp = FileStamp::of(*file);
        Quorvel::Ref<ImageData> cached;
        bool retry = false;
        {
            std::lock_guard<std::recursive_mutex> lock(m_mutex);
            cached = findCached(uri, stamp, retry);
        }
        if (cached && !retry)
            return cached;
        // Placeholder first: a broken installation fails before anything is queued. A failure
        // tried again stays on show meanwhile, rather than flash "loading" each time.
        Quorvel::Ref<ImageData> shown =
            cached ? cached : getPlaceholder(ThumbnailPlaceholders::LOADING);
        if (handler)
            queue().add({file, handler, {value1, value2, value3, value4, flag}, nullptr});
        return shown;
    }
    if (file->isVideo())
        return getPlaceholder(ThumbnailPlaceholders::VIDEO);
    if (file->isAudio())
        return getPlaceholder(ThumbnailPlaceholders::AUDIO);
    if (contentType == ENCRYPTED_TYPE)
        return getPlaceholder(ThumbnailPlaceholders::ENCRYPTED);
    return getPlaceholder(ThumbnailPlaceholders::FILE);
}

void ThumbnailManager::removeThumbnail(File& file)
{
    const wxString uri = file.getURI();
    const wxString path = FileManager::get().getFolder(uri)->getThumbnailPath(file);
    if (wxFileExists(path) && !wxRemoveFile(path))
        QDEBUG("[THUMBNAILMANAGER] Could not delete %s", path);
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    forget(uri);
}

void ThumbnailManager::imageRotationChanged(const Quorvel::Ref<File>& file)
{
    require(bool(file), "file != nullptr");
    removeThumbnail(*file);
    ImageLoader::removeResizedCopies(*file);
    // No view asked: the result reaches them as a broadcast.
    if (file->isImage())
        queue().add({file, nullptr, {}, nullptr});
}

void ThumbnailManager::cancel(wxEvtHandler* handler)
{
    ThumbnailLoadQueue* queue;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        queue = m_queue.get();
    }
    // First the queue, so nothing new is posted; then the token, so nothing already posted
    // is delivered.
    if (queue)
        queue->cancel(handler);
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    const auto found = m_tokens.find(handler);
    if (found != m_tokens.end()) {
        Quorvel::RevocableEvent::revoke(found->second);
        m_tokens.erase(found);
    }
}

void ThumbnailManager::clear()
{
    ThumbnailLoadQueue* queue;
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        queue = m_queue.get();
    }
    if (queue)
        queue->clear();
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    m_cache.clear();
    m_recent.clear();
    m_cachedBytes = 0;
}

std::size_t ThumbnailManager::getCachedBytes()
{
    std::lock_guard<std::recursive_mutex> lock(m_mutex);
    return m_cachedBytes;
}

Quorvel::Ref<ImageData> ThumbnailManager::getPlaceholder(ThumbnailPlaceholders::Kind kind)
{
    return m_placeholders.get(kind);
}

Quorvel::Ref<ImageData> ThumbnailManager::getGroupThumbnail(int groupId, wxEvtHandler*)
{
    require(groupId > 0, "groupId > 0");
    throw Quorvel::UnsupportedException(wxS("Method is not implemented"));
}

void ThumbnailManager::cancelGroup(int groupId)
{
    require(groupId > 0, "groupId > 0");
    throw Quorvel::UnsupportedException(wxS("Method is not implemented"));
}

void ThumbnailManager::thumbnailLoaded(const ThumbnailUpdateEvent& event, const wxString& uri,
                                       const FileStamp& stamp, wxEvtHandler* handler)
{
    // A failure is the shared placeholder: it takes nothing more.
    const Quorvel::Ref<ImageData>& image = event.getImage();
    const std::size_t bytes = event.isFailure() || !image ? 0 : image->memoryBytes();
    {
        std::lock_guard<std::recursive_mutex> lock(m_mutex);
        remember(uri, image, stamp, event.isFailure(), bytes);
        if (handler) {
            Quorvel::RevocableEvent::Token& token = m_tokens[handler];
            if (!token)
                token = Quorvel::RevocableEvent::makeToken();
            auto* copy = static_cast<ThumbnailUpdateEvent*>(event.Clone());
            copy->setDeliveryToken(token);
            wxQueueEvent(handler, copy);
        }
    }
    broadcast(event);
}

Quorvel::Ref<ImageData> ThumbnailManager::findCached(const wxString& uri, const FileStamp& stamp,
                                                     bool& retry)
{
    retry = false;
    const auto found = m_cache.find(uri);
    if (found == m_cache.end())
        return nullptr;
    const CacheEntry& entry = found->second;
    if (!(entry.stamp == stamp)) {
        forget(uri);
        return nullptr;
    }
    retry = entry.failed && Clock::now() - entry.loadedAt >= m_failureRetry;
    m_recent.splice(m_recent.begin(), m_recent, entry.recent);
    return entry.image;
}

void ThumbnailManager::remember(const wxString& uri, const Quorvel::Ref<ImageData>& image,
                                const FileStamp& stamp, bool failed, std::size_t bytes)
{
    forget(uri);
    m_recent.push_front(uri);
    m_cache[uri] = CacheEntry{image, m_recent.begin(), stamp, bytes, failed, Clock::now()};
    m_cachedBytes += bytes;
    // The oldest go first; the one just kept stays, however large.
    while (m_recent.size() > 1 && (m_cache.size() > m_cacheSize || m_cachedBytes > m_cacheBytes)) {
        const wxString oldest = m_recent.back();
        forget(oldest);
    }
}

void ThumbnailManager::forget(const wxString& uri)
{
    const auto found = m_cache.find(uri);
    if (found != m_cache.end()) {
        m_cachedBytes -= found->second.bytes;
        m_recent.erase(found->second.recent);
        m_cache.erase(found);
    }
}

} // namespace Brenmarle
