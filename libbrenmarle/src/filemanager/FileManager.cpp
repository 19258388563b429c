#include "filemanager/FileManager.h"

#include <atomic>

#include "core/Exceptions.h"
#include "core/LibraryLock.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FolderEvent.h"
#include "files/Uri.h"
#include "folders/AlbumFolder.h"
#include "folders/ComputerFolder.h"
#include "folders/HttpFolder.h"
#include "folders/InboxFolder.h"
#include "folders/LocalFolder.h"
#include "folders/NonVolatileTempFolder.h"
#include "folders/TempFolder.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {
std::atomic<FileManager*> g_manager{nullptr};
}

FileManager::FileManager()
{
    FileManager* expected = nullptr;
    const bool first = g_manager.compare_exchange_strong(expected, this);
    wxASSERT_MSG(first, "only one FileManager at a time (FileManager.cpp)");
    (void)first;
}

FileManager::~FileManager()
{
    {
        LibraryLock lock;
        // Whatever is still in memory is stored now, also files someone still holds (the
        // program is ending); the counter dies with this object.
        m_neverRelease.clear();
        m_orphans = 1;
        releaseOrphans();
        for (auto& [uri, file] : m_files) {
            if (!file)
                continue;
            file->setOrphanCounter(nullptr);
            try {
                getFolder(uri.str())->saveFileMetadata(*file);
            } catch (const Quorvel::Exception& e) {
                QDEBUG("[FILEMANAGER] Could not store %s: %s", uri.str(), e.getMessage());
            }
        }
    }
    FileManager* self = this;
    g_manager.compare_exchange_strong(self, nullptr);
}

FileManager& FileManager::get()
{
    FileManager* manager = g_manager.load();
    wxASSERT_MSG(manager, "FileManager exists (FileManager.cpp)");
    if (!manager)
        throw Quorvel::NullPointerException(wxS("There is no file manager"));
    return *manager;
}

bool FileManager::exists() { return g_manager.load() != nullptr; }

// --- Folders -------------------------------------------------------------------------------

FolderRef FileManager::getFolder(const wxString& uri)
{
    LibraryLock lock;
    const wxString folderUri = uri.EndsWith("/") ? uri : Uri::folderOf(uri);
    if (auto cached = m_folders.find(folderUri); cached != m_folders.end())
        return cached->second;
    QDEBUG("[FILEMANAGER] DID NOT FIND FOLDER MATCH IN CACHE  for %s!", folderUri);
    FolderRef folder = makeFolder(folderUri);
    m_folders[folderUri] = folder;
    QDEBUG("FILEMANAGER: Found folder: %s", folderUri);
    return folder;
}

FolderRef FileManager::makeFolder(const wxString& folderUri)
{
    const wxString scheme = Uri::schemeOf(folderUri);
    if (scheme == "album")
        return AlbumFolder::findAlbum(folderUri);
    if (scheme == "file")
        return Quorvel::makeRef<ComputerFolder>(folderUri);
    if (scheme == "http" || scheme == "https")
        return Quorvel::makeRef<HttpFolder>(folderUri);
    if (scheme == "inbox") {
        // One fixed folder: a path under it names no folder, and must not make a second inbox
        // that files could be added to and no view shows.
        if (folderUri != InboxFolder::URI)
            throw Quorvel::NotFoundException(folderUri + ": no such folder");
        return Quorvel::makeRef<InboxFolder>();
    }
    if (scheme == "temp")
        return Quorvel::makeRef<TempFolder>();
    if (scheme == "nvtemp")
        return Quorvel::makeRef<NonVolatileTempFolder>();
    if (auto factory = m_factories.find(scheme); factory != m_factories.end())
        return factory->second(folderUri);
    throw Quorvel::NotFoundException(folderUri + ": unrecognized folder URI");
}

void FileManager::addFolder(const FolderRef& folder)
{
    LibraryLock lock;
    QDEBUG("[FILEMANAGER] Add folder %s", folder->getURI());
    m_folders[folder->getURI()] = folder;
    broadcast(FolderEvent(FOLDER_ADDED, folder));
}

void FileManager::deleteFolder(Folder2& folder)
{
    LibraryLock lock;
    QDEBUG("[FILEMANAGER] Delete %s", folder.getURI());
    FolderRef kept(&folder);
    m_folders.erase(folder.getURI());
    broadcast(FolderEvent(FOLDER_DELETED, kept));
}

void FileManager::folderChanged(Folder2& folder, int32_t value)
{
    LibraryLock lock;
    broadcast(FolderEvent(FOLDER_CHANGED, FolderRef(&folder), value));
}

void FileManager::registerFolderFactory(const wxString& scheme, FolderFactory factory)
{
    LibraryLock lock;
    m_factories[scheme] = std::move(factory);
}

// --- Files ---------------------------------------------------------------------------------

Quorvel::Ref<File> FileManager::putFile(const Quorvel::Ref<File>& file)
{
    Quorvel::Ref<File>& entry = m_files[Quorvel::CompactString(file->getURI())];
    if (entry && entry != file)
        entry->setOrphanCounter(nullptr);
    entry = file;
    file->setOrphanCounter(&m_orphans);
    return file;
}

Quorvel::Ref<File> FileManager::getFile(const wxString& uri)
{
    LibraryLock lock;
    if (uri.empty())
        throw Quorvel::LogicException(wxS("getFile needs a URI"));
    if (auto found = m_files.find(Quorvel::CompactString(uri));
        found != m_files.end() && found->second)
        return found->second;
    Quorvel::Ref<File> file = getFolder(uri)->getFile(uri);
    if (!file)
        throw Quorvel::NotFoundException(uri + ": file not found");
    return putFile(file);
}

Quorvel::Ref<File> FileManager::getImage(const wxString& uri)
{
    LibraryLock lock;
    Quorvel::Ref<File> file = getFile(uri);
    if (!file->isImage())
        throw NoImageException(wxS("File is not an image"));
    return file;
}

wxString FileManager::getLocalPath(File& file)
{
    LibraryLock lock;
    FolderRef folder = getFolder(file.getURI());
    if (!dynamic_cast<LocalFolder*>(folder.get()))
        throw Quorvel::RuntimeException(wxS("Could not cast: is not a local folder"));
    return folder->getLocalPath(file);
}

void FileManager::registerFile(const Quorvel::Ref<File>& file)
{
    LibraryLock lock;
    QDEBUG("[FILEMANAGER] registerFile");
    if (file->getURI().empty())
        throw Quorvel::LogicException(wxS("registerFile needs a file with a URI"));
    putFile(file);
    QDEBUG("[FILEMANAGER] registerFile DONE");
}

void FileManager::registerFiles(const std::vector<Quorvel::Ref<File>>& files)
{
    LibraryLock lock;
    QDEBUG("[FILEMANAGER] registerFiles");
    for (const auto& file : files) {
        if (file->getURI().empty())
            throw Quorvel::LogicException(wxS("registerFiles needs files with URIs"));
        putFile(file);
    }
    QDEBUG("[FILEMANAGER] registerFiles DONE");
}

bool FileManager::isRegistered(const wxString& uri)
{
    LibraryLock lock;
    auto found = m_files.find(Quorvel::CompactString(uri));
    return found != m_files.end() && found->second;
}

Quorvel::Ref<File> FileManager::findFile(const Quorvel::CompactString& uri)
{
    LibraryLock lock;
    auto found = m_files.find(uri);
    return found != m_files.end() ? found->second : Quorvel::Ref<File>();
}

void FileManager::broadcastFileEvent(wxEventType type, File& file, const wxString& oldUri,
                                     const wxString& newUri, int32_t mask)
{
    FileEvent event(type, Quorvel::Ref<File>(&file));
    if (!oldUri.empty() || !newUri.empty())
        event.setMove(oldUri, newUri);
    event.setChangeMask(mask);
    broadcast(event);
}

void FileManager::fileAdded(File& file, const wxString& oldUri)
{
    LibraryLock lock;
    if (!oldUri.empty())
        m_files.erase(Quorvel::CompactString(oldUri));
    putFile(Quorvel::Ref<File>(&file));
    broadcastFileEvent(FILE_ADDED, file, oldUri, oldUri.empty() ? wxString() : file.getURI(), 0);
}

void FileManager::fileRemoved(File& file, const wxString& newUri)
{
    LibraryLock lock;
    const wxString uri = file.getURI();
    Quorvel::Ref<File> keep(&file);
    if (auto found = m_files.find(Quorvel::CompactString(uri));
        found != m_files.end() && found->second.get() == &file) {
        file.setOrphanCounter(nullptr);
        m_files.erase(found);
    }
    broadcastFileEvent(FILE_REMOVED, file, newUri.empty() ? wxString() : uri, newUri, 0);
}

void FileManager::fileChanged(File& file, int32_t mask)
{
    LibraryLock lock;
    broadcastFileEvent(FILE_CHANGED, file, wxString(), wxString(), mask);
}

void FileManager::renameKeyword(const wxString& oldKeyword, const wxString& newKeyword)
{
    LibraryLock lock;
    for (auto& [uri, file] : m_files) {
        if (!file || !file->hasKeyword(oldKeyword))
            continue;
        file->removeKeyword(oldKeyword);
        file->addKeyword(newKeyword);
        fileChanged(*file, FileEvent::CHANGED_KEYWORDS);
        QDEBUG("Deleted keyword from file: %s", uri.str());
    }
}

void FileManager::deleteKeyword(const wxString& keyword)
{
    LibraryLock lock;
    for (auto& [uri, file] : m_files) {
        if (!file || !file->hasKeyword(keyword))
            continue;
        file->removeKeyword(keyword);
        fileChanged(*file, FileEvent::CHANGED_KEYWORDS);
        QDEBUG("Deleted keyword from file: %s", uri.str());
    }
}

void FileManager::addNeverRelease(const wxString& uri)
{
    LibraryLock lock;
    m_neverRelease.insert(uri);
}

void FileManager::removeNeverRelease(const wxString& uri)
{
    LibraryLock lock;
    m_neverRelease.erase(uri);
    m_orphans = 1; // it may be an orphan already
}

bool FileManager::isNeverReleased(const wxString& uri)
{
    LibraryLock lock;
    return m_neverRelease.count(uri) > 0;
}

// --- Orphans -------------------------------------------------------------------------------

int FileManager::releaseOrphans()
{
    if (m_orphans.exchange(0) == 0)
        return 0;
    LibraryLock lock;
    int released = 0;
    bool stillDue = false;
    // The files of one folder lie together in the map (it is sorted by URI): the folder is
    // looked up once per run of them, not once per file; at exit that is 100,000 files.
    std::string lastFolderBytes;
    FolderRef lastFolder;
    for (auto entry = m_files.begin(); entry != m_files.end();) {
        Quorvel::Ref<File>& file = entry->second;
        if (!file || file->getReferenceCount() != 1) {
            ++entry;
            continue;
        }
        if (!m_neverRelease.empty() && m_neverRelease.count(entry->first.str())) {
            ++entry;
            continue;
        }
        const std::string& bytes = entry->first.bytes();
        const std::size_t slash = bytes.rfind('/');
        const std::size_t folderLength = slash == std::string::npos ? 0 : slash + 1;
        if (lastFolderBytes.size() != folderLength ||
            bytes.compare(0, folderLength, lastFolderBytes) != 0) {
            lastFolderBytes.assign(bytes, 0, folderLength);
            lastFolder = nullptr;
            try {
                lastFolder = getFolder(entry->first.str());
            } catch (const Quorvel::Exception&) {
                QDEBUG("Folder was not found in FileManager::keepOrphanAlive for file %s",
                       entry->first.str());
            }
        }
        try {
            if (lastFolder)
                lastFolder->onDestroyFile(*file);
        } catch (const Quorvel::Exception& e) {
            // Dropping the file now would lose its changes: keep it, due for the next call.
            // The user hears of it once, not at every try.
            if (m_failedStores.insert(entry->first.str()).second)
                wxLogError("Could not store %s: %s", entry->first.str(), e.getMessage());
            stillDue = true;
            ++entry;
            continue;
        }
        if (!m_failedStores.empty())
            m_failedStores.erase(entry->first.str());
        file->setOrphanCounter(nullptr);
        entry = m_files.erase(entry);
        ++released;
    }
    if (stillDue)
        ++m_orphans;
    return released;
}

void FileManager::dumpFileMap()
{
    // A trace's arguments are made even when its mask is off: a line per file of a large album
    // would cost the exit a third of a second for nothing.
    if (!wxLog::IsAllowedTraceMask(Quorvel::TraceMask::DEBUG))
        return;
    LibraryLock lock;
    QDEBUG("[FILEMANAGER] START OF FILE MAP");
    for (auto& [uri, file] : m_files)
        QDEBUG("[FILEMANAGER] %s (%d)", uri.str(), file ? file->getReferenceCount() : 0);
    if (!m_files.empty())
        QDEBUG("[FILEMANAGER] THERE ARE FILES LEFT");
    QDEBUG("[FILEMANAGER] END OF FILE MAP");
}

} // namespace Brenmarle
