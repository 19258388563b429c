#include "thumbnails/ImageLoader.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/thread.h>

#include "filemanager/FileManager.h"
#include "folders/LocalFolder.h"
#include "imaging/ThumbnailMaker.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ImageLoaderEvent.h"

namespace Brenmarle {

namespace {

std::atomic<ImageLoader*> g_loader{nullptr};

void require(bool condition, const char* text)
{
    if (!condition)
        throw Quorvel::LogicException(
            wxString::Format("Precondition failed: %s (ImageLoader.cpp)", text));
}

// Where the copy for that size is kept; empty for folders that keep none (temporary files).
wxString resizedCopyPath(LocalFolder& folder, File& file, int width, int height)
{
    try {
        return folder.getResizedPath(file, width, height);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[IMAGELOADER] No resized copy: %s", e.getMessage());
        return wxString();
    }
}

// The resized copy, or null when there is none or it cannot be read (it is then made again).
Quorvel::Ref<ImageData> readCopy(const wxString& path)
{
    if (!wxFileExists(path))
        return nullptr;
    auto copy = Quorvel::makeRef<ImageData>();
    try {
        copy->load(path);
        return copy;
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[IMAGELOADER] Resized copy unreadable: %s", e.getMessage());
        return nullptr;
    }
}

// "WxH", as the folders name the directory of a size.
bool isSizeName(const wxString& name)
{
    const auto digits = [](const wxString& text) {
        return !text.empty() && text.find_first_not_of(wxS("0123456789")) == wxString::npos;
    };
    return digits(name.BeforeFirst('x')) && digits(name.AfterFirst('x'));
}

} // namespace

struct ImageLoader::Item {
    Item(ClientId client, const Quorvel::Ref<File>& file, int width, int height, bool allowCache)
        : client(client), file(file), width(width), height(height), allowCache(allowCache)
    {
    }

    // Fixed for the item's life.
    const ClientId client;
    const Quorvel::Ref<File> file;
    const int width;
    const int height;
    const bool allowCache;

    // Under m_mutex.
    wxEvtHandler* handler = nullptr;
    bool preview = false;
    bool needsLoading = true;
    bool loaded = false;
    Version version; // what it was loaded (or last tried) at
    Quorvel::Ref<ImageData> image;
};

// One load, as taken off the list: the thread works on this copy without the lock.
struct ImageLoader::Job {
    ItemPtr item;
    Version version;
    bool preview = false;
    // A loaded picture that was turned or changed: no preview, and the copy on disk is stale.
    bool reload = false;
};

ImageLoader::Version ImageLoader::versionOf(const File& file)
{
    return {file.getImageRotation(), file.getFileModifyTime(), file.getFileSize()};
}

class ImageLoader::Worker : public wxThread {
public:
    explicit Worker(ImageLoader& loader) : wxThread(wxTHREAD_JOINABLE), m_loader(loader) {}

protected:
    ExitCode Entry() override
    {
        m_loader.runLoop();
        return nullptr;
    }

private:
    ImageLoader& m_loader;
};

ImageLoader::ImageLoader() : m_thread(std::make_unique<Worker>(*this))
{
    if (m_thread->Create() != wxTHREAD_NO_ERROR || m_thread->Run() != wxTHREAD_NO_ERROR) {
        m_joined = true; // nothing runs, nothing to wait for
        throw Quorvel::RuntimeException(wxS("Could not start the image loader thread"));
    }
    ImageLoader* expected = nullptr;
    const bool first = g_loader.compare_exchange_strong(expected, this);
    wxASSERT_MSG(first, "only one ImageLoader at a time (ImageLoader.cpp)");
    (void)first;
}

ImageLoader::~ImageLoader()
{
    shutdown();
    ImageLoader* self = this;
    g_loader.compare_exchange_strong(self, nullptr);
}

ImageLoader& ImageLoader::get()
{
    ImageLoader* loader = g_loader.load();
    if (!loader)
        throw Quorvel::NullPointerException(wxS("There is no image loader"));
    return *loader;
}

bool ImageLoader::exists()
{
    return g_loader.load() != nullptr;
}

bool ImageLoader::load(const std::vector<Quorvel::Ref<File>>& files, wxEvtHandler* handler,
                       bool preview, int width, int height, bool allowCache)
{
    return load(DEFAULT_CLIENT, files, handler, preview, width, height, allowCache);
}

ImageLoader::ClientId ImageLoader::addClient()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return ++m_lastClient;
}

void ImageLoader::removeClient(ClientId client)
{
    std::vector<ItemPtr> released; // let go of outside the lock
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<ItemPtr> kept;
        for (const ItemPtr& item : m_items) {
            if (item->client == client) {
                item->handler = nullptr;
                released.push_back(item);
            } else {
                kept.push_back(item);
            }
        }
        m_items.swap(kept);
        ++m_generation;
    }
    m_wake.notify_all();
}

bool ImageLoader::load(ClientId client, const std::vector<Quorvel::Ref<File>>& files,
                       wxEvtHandler* handler, bool preview, int width, int height, bool allowCache)
{
    require(width >= 0 && height >= 0, "width >= 0 && height >= 0");
    require((width == 0) == (height == 0), "(width == 0) == (height == 0)");
    require(std::all_of(files.begin(), files.end(), [](const auto& file) { return bool(file); }),
            "files hold no null file");
    // Asked before locking: files take the library lock.
    const Version firstVersion = files.empty() ? Version() : versionOf(*files.front());

    std::vector<ItemPtr> released; // let go of outside the lock
    std::unique_ptr<ImageLoaderEvent> ready;
    bool loadedAlready = false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        std::vector<ItemPtr> items;
        for (const Quorvel::Ref<File>& file : files) {
            const ItemPtr item = itemFor(client, file, width, height, allowCache, items);
            if (!item)
                continue; // the same file twice in one call
            if (handler) {
                QDEBUG("[IMAGEDATA] SET EVENT HANDLER");
                tokenFor(handler);
            }
            item->handler = handler;
            item->preview = preview;
            items.push_back(item);
        }
        for (const ItemPtr& old : m_items) {
            if (std::find(items.begin(), items.end(), old) != items.end())
                continue;
            if (old->client != client) {
                items.push_back(old); // another view's, loaded after this one's
                continue;
            }
            const bool sameFile = std::any_of(files.begin(), files.end(),
                                              [&](const auto& file) { return file == old->file; });
            if (sameFile) {
                items.push_back(old); // another size of a file still shown
            } else {
                old->handler = nullptr;
                released.push_back(old);
            }
        }
        m_items.swap(items);
        ++m_generation;
        const ItemPtr first = m_items.empty() ? nullptr : m_items.front();
        loadedAlready = first && first->loaded && first->version == firstVersion;
        if (loadedAlready && handler)
            ready = std::make_unique<ImageLoaderEvent>(IMAGE_LOADED, first->file, first->image,
                                                       first->version.rotation, width, height);
    }
    m_wake.notify_all();
    if (ready)
        handler->ProcessEvent(*ready);
    return loadedAlready;
}

ImageLoader::ItemPtr ImageLoader::itemFor(ClientId client, const Quorvel::Ref<File>& file,
                                          int width, int height, bool allowCache,
                                          const std::vector<ItemPtr>& taken)
{
    const auto matches = [&](const ItemPtr& item) {
        return item->client == client && item->file == file && item->width == width &&
               item->height == height;
    };
    if (std::any_of(taken.begin(), taken.end(), matches))
        return nullptr;
    const auto found = std::find_if(m_items.begin(), m_items.end(), matches);
    if (found != m_items.end())
        return *found;
    QDEBUG("[IMAGEDATA] File not in queue - create new item");
    return std::make_shared<Item>(client, file, width, height, allowCache);
}

void ImageLoader::removeHandler(wxEvtHandler* handler)
{
    if (!handler)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const ItemPtr& item : m_items) {
        if (item->handler == handler)
            item->handler = nullptr;
    }
    const auto found = m_tokens.find(handler);
    if (found != m_tokens.end()) {
        Quorvel::RevocableEvent::revoke(found->second);
        m_tokens.erase(found);
    }
}

void ImageLoader::clear()
{
    std::vector<ItemPtr> released;
    std::unique_lock<std::mutex> lock(m_mutex);
    for (const ItemPtr& item : m_items)
        item->handler = nullptr;
    released.swap(m_items);
    ++m_generation;
    m_wake.notify_all();
    m_idle.wait(lock, [this] { return !m_busy; });
}

void ImageLoader::shutdown()
{
    if (m_joined)
        return;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopRequested = true;
    }
    m_wake.notify_all();
    m_thread->Wait(wxTHREAD_WAIT_BLOCK);
    m_joined = true;
}

std::size_t ImageLoader::getItemCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_items.size();
}

void ImageLoader::removeResizedCopies(File& file)
{
    // The size is one folder of the copy's path: find it by asking for two sizes, then look at
    // every size folder beside it.
    wxString one;
    wxString two;
    try {
        const FolderRef folder = FileManager::get().getFolder(file.getURI());
        one = folder->getResizedPath(file, 1, 1);
        two = folder->getResizedPath(file, 2, 2);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[IMAGELOADER] No resized copies: %s", e.getMessage());
        return;
    }
    const size_t at = one.rfind(wxS("/1x1/"));
    if (at == wxString::npos || two != one.Left(at) + wxS("/2x2/") + one.Mid(at + 5)) {
        QDEBUG("[IMAGELOADER] Resized copies not kept by size: %s", one);
        return;
    }
    const wxString root = one.Left(at + 1);
    const wxString rest = one.Mid(at + 4);
    if (!wxDir::Exists(root))
        return; // no copy was ever made
    wxDir sizes(root);
    if (!sizes.IsOpened())
        return;
    wxString name;
    for (bool more = sizes.GetFirst(&name, wxEmptyString, wxDIR_DIRS); more;
         more = sizes.GetNext(&name)) {
        const wxString copy = root + name + rest;
        if (isSizeName(name) && wxFileExists(copy) && !wxRemoveFile(copy))
            QDEBUG("[IMAGELOADER] Could not delete %s", copy);
    }
}

void ImageLoader::runLoop()
{
    Job job;
    while (takeNext(job)) {
        loadItem(job);
        finishJob(job);
    }
    QDEBUG("[IMAGELOADER] Thread has reached the end");
}

bool ImageLoader::takeNext(Job& job)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_stopRequested)
            return false;
        const std::vector<ItemPtr> items = m_items;
        const unsigned generation = m_generation;
        // The versions are read without the lock (files take the library lock); the list
        // is looked at again if it changed meanwhile.
        lock.unlock();
        std::vector<Version> versions;
        for (const ItemPtr& item : items)
            versions.push_back(versionOf(*item->file));
        lock.lock();
        if (m_stopRequested)
            return false;
        if (generation != m_generation)
            continue;
        for (std::size_t i = 0; i < items.size(); ++i) {
            Item& item = *items[i];
            if (!item.needsLoading && item.version == versions[i])
                continue;
            job.item = items[i];
            job.version = versions[i];
            job.reload = !item.needsLoading && item.loaded;
            job.preview = item.preview && !item.loaded;
            item.needsLoading = false;
            m_busy = true;
            return true;
        }
        const auto changed = [&] { return m_stopRequested || m_generation != generation; };
        // Nothing to load. A file is turned or saved without telling anyone, so while items
        // are held they are looked at again now and then.
        if (items.empty())
            m_wake.wait(lock, changed);
        else
            m_wake.wait_for(lock, std::chrono::milliseconds(ROTATION_CHECK_MS), changed);
    }
}

void ImageLoader::loadItem(const Job& job)
{
    QDEBUG("[IMAGELOADER] LOAD");
    try {
        loadPicture(job);
    } catch (const std::exception& e) {
        QDEBUG("[IMAGELOADER] FAILURE");
        const wxString message = wxString::FromUTF8(e.what());
        QDEBUG("[IMAGELOADER] %s: %s", job.item->file->getURI(), message);
        failed(job, message);
    } catch (...) {
        QDEBUG("[IMAGELOADER] FAILURE");
        failed(job, wxS("Unknown error"));
    }
}

void ImageLoader::loadPicture(const Job& job)
{
    File& file = *job.item->file;
    const int width = job.item->width;
    const int height = job.item->height;
    const FolderRef folder = FileManager::get().getFolder(file.getURI());
    auto* local = dynamic_cast<LocalFolder*>(folder.get());
    if (!local)
        throw Quorvel::RuntimeException(wxS("Not a local folder"));
    const wxString path = local->getLocalPath(file);
    const wxString contentType = file.getContentType();
    QDEBUG("[IMAGELOADER] Loading file %s", path);

    const wxString copyPath = width > 0 && job.item->allowCache
                                  ? resizedCopyPath(*local, file, width, height)
                                  : wxString();
    if (!copyPath.empty() && !job.reload) {
        if (const Quorvel::Ref<ImageData> copy = readCopy(copyPath)) {
            QDEBUG("[IMAGELOADER] CACHE LOAD SUCCESS");
            loaded(job, copy);
            return;
        }
    }
    if (job.preview) {
        auto small = Quorvel::makeRef<ImageData>();
        small->loadPreview(path, contentType);
        small->rotate(job.version.rotation);
        QDEBUG("[IMAGELOADER] PREVIEW SUCCESS");
        preview(job, small);
    }
    auto image = Quorvel::makeRef<ImageData>();
    if (width > 0) {
        image->loadFitted(path, width, height, job.version.rotation, ImageData::Fit::Display,
                          contentType);
    } else {
        image->load(path, contentType);
        image->rotate(job.version.rotation);
    }
    QDEBUG("[IMAGELOADER] SUCCESS");
    loaded(job, image);
    if (copyPath.empty())
        return;
    try {
        ThumbnailMaker::writeCacheFile(*image, copyPath);
        // Turned while this was made, the copies may have been removed before this one was
        // written; a copy of the old turn must not outlive them.
        if (file.getImageRotation() != job.version.rotation)
            wxRemoveFile(copyPath);
    } catch (const Quorvel::Exception& e) {
        // The picture was shown; only the next load of this size is slower.
        QDEBUG("[IMAGELOADER] Could not keep the resized copy: %s", e.getMessage());
    }
}

void ImageLoader::loaded(const Job& job, const Quorvel::Ref<ImageData>& image)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Item& item = *job.item;
    item.image = image;
    item.loaded = true;
    item.version = job.version;
    post(item, IMAGE_LOADED, image, job.version.rotation);
}

void ImageLoader::failed(const Job& job, const wxString& message)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    Item& item = *job.item;
    item.image.reset();
    item.loaded = false;
    // Tried at this version: not again until it changes or the item is asked for anew.
    item.version = job.version;
    post(item, IMAGE_FAILED, nullptr, job.version.rotation, message);
}

void ImageLoader::preview(const Job& job, const Quorvel::Ref<ImageData>& image)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    post(*job.item, IMAGE_PREVIEW, image, job.version.rotation);
}

void ImageLoader::finishJob(Job& job)
{
    // The item (and its file) goes before the thread counts as idle: clear() promises that
    // nothing here holds a file once it returns.
    job = Job();
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_busy = false;
    }
    m_idle.notify_all();
}

void ImageLoader::post(const Item& item, wxEventType type, const Quorvel::Ref<ImageData>& image,
                       int rotation, const wxString& error)
{
    if (!item.handler || m_stopRequested)
        return;
    ImageLoaderEvent event(type, item.file, image, rotation, item.width, item.height);
    event.setErrorMessage(error);
    event.setDeliveryToken(tokenFor(item.handler));
    wxQueueEvent(item.handler, event.Clone());
}

Quorvel::RevocableEvent::Token& ImageLoader::tokenFor(wxEvtHandler* handler)
{
    Quorvel::RevocableEvent::Token& token = m_tokens[handler];
    if (!token)
        token = Quorvel::RevocableEvent::makeToken();
    return token;
}

} // namespace Brenmarle
