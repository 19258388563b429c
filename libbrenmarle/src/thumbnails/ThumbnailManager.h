#pragma once
// The thumbnails the views show. A view asks for a file's thumbnail and gets a picture at once:
// the thumbnail itself when it is in the memory cache, otherwise the loading placeholder while
// the load queue fetches it in the background; a file that is no picture gets the placeholder of
// its kind. When a loaded thumbnail passes through here it is kept in the cache, posted to the
// view that asked (as a ThumbnailUpdateEvent with the view's four numbers and flag) and
// broadcast to the manager's listeners, so other views showing the file can refresh.
//
// The cache keeps the most recently used thumbnails up to a limit: a large collection would
// otherwise keep every thumbnail ever shown in memory. A thumbnail that could not be loaded is
// cached as the failure placeholder, so a view repainting does not load it again and again;
// removeThumbnail() forgets it.
//
// Lifetime: one per process, owned by the application, made at start-up after the file
// manager and destroyed at exit (clear() first, while the file manager still exists). get()
// reaches it. Its load queue and threads are made on the first load request.
//
// Threads: every public method from any thread; views call them on the GUI thread, and results
// reach them as posted events. A handler that asked for thumbnails must call cancel() before it
// is destroyed. m_mutex guards m_cache, m_recent, m_tokens and the m_queue pointer. Lock order:
// the load queue's lock may be held while m_mutex is taken; never call the queue holding m_mutex,
// and never call a file (the library lock) holding either.

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

    // Becomes the process's thumbnail manager (get()) until destroyed. `loaderThreads` load
    // thumbnails in parallel (at least one); `cacheSize` thumbnails are kept (at least one).
    explicit ThumbnailManager(std::size_t loaderThreads = 1,
                              std::size_t cacheSize = DEFAULT_CACHE_SIZE);
    // Stops the load queue's threads (running loads end without an event).
    ~ThumbnailManager() override;

    // The process's thumbnail manager; throws Quorvel::NullPointerException when there is none.
    static ThumbnailManager& get();
    static bool exists();

    // A picture's thumbnail from the cache; otherwise, when `handler` is given, a load request
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
    // Drops every waiting request of `handler`; a load of its in progress ends without an
    // event, and events already posted to it are not delivered.
    void cancel(wxEvtHandler* handler);
    // At exit: drops every waiting request and the cache, and returns once no load runs.
    void clear();

    // The placeholder of that kind (the same object every time). Throws as getThumbnail().
    Quorvel::Ref<ImageData> getPlaceholder(ThumbnailPlaceholders::Kind kind);

    // Thumbnails by group are not implemented: both check that `groupId` > 0
    // (Quorvel::LogicException) and throw Quorvel::UnsupportedException "Method is not
    // implemented".
    Quorvel::Ref<ImageData> getGroupThumbnail(int groupId, wxEvtHandler* handler);
    void cancelGroup(int groupId);

private:
    friend class ThumbnailLoadQueue;

    struct CacheEntry {
        Quorvel::Ref<ImageData> image;
        std::list<wxString>::iterator recent;
    };

    // Load queue thread, under the queue's lock: keeps the result under `uri` (read by the
    // caller before it locked: file calls take the library lock, which a view may hold while
    // it calls in here) and posts it to `handler` (null: the request was cancelled) and to the
    // listeners.
    void thumbnailLoaded(const ThumbnailUpdateEvent& event, const wxString& uri,
                         wxEvtHandler* handler);
    ThumbnailLoadQueue& queue();
    // Under m_mutex.
    Quorvel::Ref<ImageData> findCached(const wxString& uri);
    void remember(const wxString& uri, const Quorvel::Ref<ImageData>& image);

    const std::size_t m_loaderThreads;
    const std::size_t m_cacheSize;
    ThumbnailPlaceholders m_placeholders;

    std::recursive_mutex m_mutex;
    std::map<wxString, CacheEntry> m_cache;
    std::list<wxString> m_recent; // cached URIs, most recently used first
    std::map<wxEvtHandler*, Quorvel::RevocableEvent::Token> m_tokens;
    // Last, so it goes first: its threads use everything above.
    std::unique_ptr<ThumbnailLoadQueue> m_queue;
};

} // namespace Brenmarle
