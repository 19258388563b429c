#pragma once
// Loads the pictures the viewer, the full-screen view and the slide show display, on a thread of
// its own. A view hands it the files it shows (the current one first, then those it wants ready
// next) with a display size; the loader keeps one item per file and size, loads each in turn and
// posts IMAGE_LOADED (after IMAGE_PREVIEW, a quick low-resolution picture, when asked for) or
// IMAGE_FAILED to the view. Items of files the view no longer shows are released.
//
// Display sizes: a picture is decoded scaled down towards the size (never enlarged) and turned
// by the file's rotation. A copy of that result is kept on disk per size (the folder's resized
// path) and read instead of the picture the next time that size is asked for. A loaded item
// whose file's rotation or picture (modify time, size: a save) changes is loaded again (not from
// that copy, which is stale, and the copy is replaced); a change is noticed within
// ROTATION_CHECK_MS.
// Copies of other sizes are not looked at until asked for: whoever turns a picture removes them
// all (ThumbnailManager::imageRotationChanged), and a copy made at the old turn meanwhile is
// not kept. 0 x 0 asks for the picture at full size, never cached.
//
// Clients: each view that shows pictures at the same time as others (a picture window, a slide
// show) asks for a client of its own and loads through it; a load replaces only that client's
// items, so one never evicts the pictures another keeps ready. load() without a client loads
// for DEFAULT_CLIENT.
//
// Lifetime: one per process, owned by the application (get() reaches it); the thread starts in
// the constructor. At exit clear() runs while the file manager still exists, shutdown() at the
// end; the destructor shuts down too.
//
// Threads: load(), removeHandler(), clear() and getItemCount() from any thread (views: the GUI
// thread); shutdown() and the destructor from the owner's. Events are posted, never handled on
// the loader thread. m_mutex guards m_items and every item's mutable fields (also of an item
// being loaded, which may have been released meanwhile: releasing clears its handler), m_busy,
// m_tokens, m_generation and m_stopRequested; it is held around every post, so nothing is posted
// to a handler once removeHandler() has returned (and events already queued for it are dropped
// on delivery: RevocableEvent). It is never held while decoding, nor while asking a file
// anything (the library lock comes first). m_thread and m_joined are the owner's.

#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include <wx/event.h>

#include "files/File.h"
#include "imaging/ImageData.h"
#include "threads/RevocableEvent.h"

namespace Brenmarle {

class ImageLoader {
public:
    static constexpr int ROTATION_CHECK_MS = 50;
    using ClientId = int;
    static constexpr ClientId DEFAULT_CLIENT = 0;

    // Becomes the process's image loader (get()) until destroyed, and starts its thread.
    // Throws Quorvel::RuntimeException when the thread cannot be started.
    ImageLoader();
    ~ImageLoader();
    ImageLoader(const ImageLoader&) = delete;
    ImageLoader& operator=(const ImageLoader&) = delete;

    // Throws Quorvel::NullPointerException when there is none.
    static ImageLoader& get();
    static bool exists();

    // Makes `files` (none null) the items to load at width x height (both 0 for full size),
    // reusing the item of a file already asked for at that size and logging "[IMAGEDATA] File
    // not in queue - create new item" for each new one. Each item reports to `handler` from now
    // on (null: to nobody); `preview` asks for IMAGE_PREVIEW first; `allowCache` lets a new
    // item read and keep the resized copy on disk. Items of other files are released; those of
    // the same files at other sizes are kept. When the first file is already loaded (at its
    // current rotation), its IMAGE_LOADED is processed by `handler` before this returns true;
    // otherwise returns false. Throws Quorvel::LogicException for a bad size or a null file.
    bool load(const std::vector<Quorvel::Ref<File>>& files, wxEvtHandler* handler, bool preview,
              int width, int height, bool allowCache);
    // The same for `client`: only its items are reused or released.
    bool load(ClientId client, const std::vector<Quorvel::Ref<File>>& files, wxEvtHandler* handler,
              bool preview, int width, int height, bool allowCache);
    // A new client, with no items yet; distinct from every other live one.
    ClientId addClient();
    // Releases the client's items (its handler hears nothing more of them).
    void removeClient(ClientId client);
    // Every item, and the one being loaded, forgets `handler`; nothing more reaches it.
    void removeHandler(wxEvtHandler* handler);
    // Releases every item and returns once the thread holds none, so nothing here holds a file
    // any more (at exit, before the file manager goes).
    void clear();
    // Stops and joins the thread ("[IMAGELOADER] Thread has reached the end"); a load in
    // progress ends first, without further events. Later calls return at once.
    void shutdown();

    // Items held now, one per file and display size.
    std::size_t getItemCount() const;

    // Deletes the file's resized copies of every size from disk (a folder without copies has
    // none). Logs what cannot be deleted. Any thread; takes the library lock.
    static void removeResizedCopies(File& file);

private:
    struct Item;
    struct Job;
    // What a loaded picture depends on besides its file's name.
    struct Version {
        int rotation = 0;
        int32_t modifyTime = 0;
        int32_t size = 0;
        bool operator==(const Version& other) const
        {
            return rotation == other.rotation && modifyTime == other.modifyTime &&
                   size == other.size;
        }
    };
    // Takes the library lock.
    static Version versionOf(const File& file);
    class Worker;
    using ItemPtr = std::shared_ptr<Item>;

    void runLoop();
    // Waits for an item that needs loading, or whose file's rotation changed, and describes
    // its load in `job`; false once shut down.
    bool takeNext(Job& job);
    // Loader thread, no lock held: loads, posts, keeps the resized copy; a failure is logged
    // and posted as IMAGE_FAILED.
    void loadItem(const Job& job);
    void loadPicture(const Job& job);
    void loaded(const Job& job, const Quorvel::Ref<ImageData>& image);
    void failed(const Job& job, const wxString& message);
    void preview(const Job& job, const Quorvel::Ref<ImageData>& image);
    void finishJob(Job& job);
    // Under m_mutex: the item of `file` at that size, reused or new; null when `taken`, the
    // items of this call so far, has it already.
    ItemPtr itemFor(ClientId client, const Quorvel::Ref<File>& file, int width, int height,
                    bool allowCache, const std::vector<ItemPtr>& taken);
    void post(const Item& item, wxEventType type, const Quorvel::Ref<ImageData>& image,
              int rotation, const wxString& error = wxString());
    Quorvel::RevocableEvent::Token& tokenFor(wxEvtHandler* handler);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake; // the items changed, or shutdown was requested
    std::condition_variable m_idle; // the thread let go of an item
    std::vector<ItemPtr> m_items;   // the current file first
    bool m_busy = false;            // from taking an item until the thread let go of it
    std::map<wxEvtHandler*, Quorvel::RevocableEvent::Token> m_tokens;
    unsigned m_generation = 0; // changes with m_items, so the thread knows to look again
    bool m_stopRequested = false;
    ClientId m_lastClient = DEFAULT_CLIENT;

    std::unique_ptr<Worker> m_thread;
    bool m_joined = false;
};

} // namespace Brenmarle
