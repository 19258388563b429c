#pragma once
// The thumbnails the views show. A view asks for a file's thumbnail and gets a picture at once:
// the thumbnail itself when it is in the memory cache, otherwise the loading placeholder while
// the load queue fetches it in the background; a file that is no picture gets the placeholder of
// its kind. When a loaded thumbnail passes through here it is kept in the cache, posted to the
// view that asked (as a ThumbnailUpdateEvent with the view's four numbers and flag) and
// broadcast to the manager's listeners, so other views showing the file can refresh.
//
// The cache keeps the most recently used thumbnails up to a number and a sum of bytes: a large
// collection would otherwise keep every thumbnail ever shown in memory, and thumbnails of
// large pictures or large views take more each. Each is kept with the file's modify time
// and size as they were when it was loaded; once they differ (the file was rewritten, or a new
// temporary file took the name) the thumbnail is loaded again. A thumbnail that could not be
// loaded is cached as the failure placeholder, so a view repainting does not load it again and
// again, but only for a while (the failure may have passed: a file still being written), after
// which the next request tries again. removeThumbnail() forgets a thumbnail at once.
//
// Lifetime: one per process, owned by the application, made at start-up after the file
// manager and destroyed at exit (clear() first, while the file manager still exists). get()
// reaches it. Its load queue and threads are made on the first load request.
//
// Threads: every public method from any thread; views call them on the GUI thread, and results
// reach them as posted events. A handler that asked for thumbnails must call cancel() before it
// is destroyed. m_mutex guards m_cache, m_recent, m_cachedBytes, m_tokens and the m_queue pointer.
// Lock order: the load queue's lock may be held while m_mutex is taken; never call the queue
// holding m_mutex, and never call a file (the library lock) holding either.

#include <chrono>
#include <cstddef>
#include <list>
#include <map>
#include <memory>
#include <mutex>

#include <wx/event.h>

#include "files/File.h"
#include "imaging/ImageData.h"
#include "threads/EventBroadcaster.h"
#include "threads/RevocableEvent.h"
#include "thumbnails/ThumbnailPlaceholders.h"
#include "thumbnails/ThumbnailUpdateEvent.h"

namespace Brenmarle {

class ThumbnailLoadQueue;

class ThumbnailManager : public Quorvel::EventBroadcaster {
public:
    // A thumbnail costs about 200 KB in memory (16-bit pixels plus the drawable copy), so this
    // is about 100 MB: several screens of a folder view, kept while the user scrolls back.
    static constexpr std::size_t DEFAULT_CACHE_SIZE = 500;
    // Drawn thumbnails of 160 pixels take up to 77 KB each: over 300 of them, seven screens of
    // a large view.
    static constexpr std::size_t DEFAULT_CACHE_BYTES = 24 * 1024 * 1024;
    // Long enough that a view repainting a broken picture does not decode it over and over,
    // short enough that a picture still being copied shows up soon after.
    static constexpr std::chrono::milliseconds DEFAULT_FAILURE_RETRY{10000};

    // What a cached thumbnail was made from: it stays good while the file's stamp is the same.
    struct FileStamp {
        int32_t modifyTime = 0;
        int32_t size = 0;
        static FileStamp of(const File& file);
        bool operator==(const FileStamp& other) const
        {
            return modifyTime == other.modifyTime && size == other.size;
        }
    };

    // Becomes the process's thumbnail manager (get()) until destroyed. `loaderThreads` load
    // thumbnails in parallel (at least one); `cacheSize` thumbnails are kept (at least one),
    // together taking no more than `cacheBytes` (the latest one is kept whatever it takes); a
    // failure is kept `failureRetry` before it is tried again.
    explicit ThumbnailManager(std::size_t loaderThreads = 1,
                              std::size_t cacheSize = DEFAULT_CACHE_SIZE,
                              std::chrono::milliseconds failureRetry = DEFAULT_FAILURE_RETRY,
                              std::size_t cacheBytes = DEFAULT_CACHE_BYTES);
    // Stops the load queue's threads (running loads end without an event).
    ~ThumbnailManager() override;

    // The process's thumbnail manager; throws Quorvel::NullPointerException when there is none.
    static ThumbnailManager& get();
    static bool exists();

    // A picture's thumbnail from the cache (while still good, see above); otherwise, when
    // `handler` is given, a load request
    // is queued whose result is posted to `handler` with the four values and the flag, and the
    // loading placeholder is returned. Video, audio, encrypted and other files get their
    // placeholder and queue nothing. The URI of a picture must not be empty. Throws
    // Quorvel::FileNotFoundException when a placeholder cannot be loaded (broken installation).
    Quorvel::Ref<ImageData> getThumbnail(const Quorvel::Ref<File>& file, wxEvtHandler* handler,
                                         int value1, int value2, int value3, int value4, bool flag);
    // Deletes the file's thumbnail file from disk and forgets the cached thumbnail, so the next
    // request loads (and a local folder makes) it afresh. Throws what the folder throws for a
    // folder without thumbnail files.
    void removeThumbnail(File& file);
    // Call after changing the file's image rotation (File::setImageRotation): every picture made
    // at the old turn goes, that is the thumbnail file and the cached thumbnail (as
    // removeThumbnail()) and the resized copies of every display size
    // (ImageLoader::removeResizedCopies). A picture's thumbnail is then made again in the
    // background and broadcast to the listeners, so views showing it refresh; the image loader
    // reloads the items it holds by itself. Throws as removeThumbnail().
    void imageRotationChanged(const Quorvel::Ref<File>& file);
    // Drops every waiting request of `handler`; a load of its in progress ends without an
    // event, and events already posted to it are not delivered.
    void cancel(wxEvtHandler* handler);
    // At exit: drops every waiting request and the cache, and returns once no load runs.
    void clear();

    // The bytes of the thumbnails in the cache (placeholders, shared, count nothing).
    std::size_t getCachedBytes();

    // The placeholder of that kind (the same object every time). Throws as getThumbnail().
    Quorvel::Ref<ImageData> getPlaceholder(ThumbnailPlaceholders::Kind kind);

    // Thumbnails by group are not implemented: both check that `groupId` > 0
    // (Quorvel::LogicException) and throw Quorvel::UnsupportedException "Method is not
    // implemented".
    Quorvel::Ref<ImageData> getGroupThumbnail(int groupId, wxEvtHandler* handler);
    void cancelGroup(int groupId);

private:
    friend class ThumbnailLoadQueue;

    using Clock = std::chrono::steady_clock;

    struct CacheEntry {
        Quorvel::Ref<ImageData> image;
        std::list<wxString>::iterator recent;
        FileStamp stamp;
        std::size_t bytes = 0;
        bool failed = false;
        Clock::time_point loadedAt;
    };

    // Load queue thread, under the queue's lock: keeps the result under `uri` with the file's
    // `stamp` from before the load (both read by the caller before it locked: file calls take
    // the library lock, which a view may hold while it calls in here) and posts it to `handler`
    // (null: the request was cancelled) and to the listeners.
    void thumbnailLoaded(const ThumbnailUpdateEvent& event, const wxString& uri,
                         const FileStamp& stamp, wxEvtHandler* handler);
    ThumbnailLoadQueue& queue();
    // Under m_mutex. A thumbnail no longer good for `stamp` is dropped and not found; a failure
    // kept long enough is found with `retry` set.
    Quorvel::Ref<ImageData> findCached(const wxString& uri, const FileStamp& stamp, bool& retry);
    // `bytes`: what the image takes (measured by the caller before it locked).
    void remember(const wxString& uri, const Quorvel::Ref<ImageData>& image, const FileStamp& stamp,
                  bool failed, std::size_t bytes);
    void forget(const wxString& uri);

    const std::size_t m_loaderThreads;
    const std::size_t m_cacheSize;
    const std::size_t m_cacheBytes;
    const std::chrono::milliseconds m_failureRetry;
    ThumbnailPlaceholders m_placeholders;

    std::recursive_mutex m_mutex;
    std::map<wxString, CacheEntry> m_cache;
    std::list<wxString> m_recent; // cached URIs, most recently used first
    std::size_t m_cachedBytes = 0; // the sum of the entries' bytes
    std::map<wxEvtHandler*, Quorvel::RevocableEvent::Token> m_tokens;
    // Last, so it goes first: its threads use everything above.
    std::unique_ptr<ThumbnailLoadQueue> m_queue;
};

} // namespace Brenmarle
