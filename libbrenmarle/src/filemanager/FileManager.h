#pragma once
// The one registry of files and folders by URI: one object per URI in memory, events about
// additions, removals and changes for every listener, and metadata stored when the last user of
// a file lets go.
//
// Threads: any thread. Every method takes the library lock; events are posted to listeners'
// queues and handled on the GUI thread. Lifetime: one instance, made at start-up after the
// catalogue opened and destroyed at exit (which stores what is left).

#include <atomic>
#include <functional>
#include <map>
#include <set>

#include "files/File.h"
#include "folders/Folder2.h"
#include "threads/EventBroadcaster.h"

namespace Brenmarle {

class FileManager : public Quorvel::EventBroadcaster {
public:
    using FolderFactory = std::function<FolderRef(const wxString& uri)>;

    // Becomes the process's file manager (get()) until destroyed.
    FileManager();
    ~FileManager() override;

    // The process's file manager; asserts that there is one.
    static FileManager& get();
    static bool exists();

    // The folder of a folder or file URI. Throws Quorvel::NotFoundException for an unknown
    // scheme (uri + ": unrecognized folder URI") or a missing album ("Album does not exist").
    FolderRef getFolder(const wxString& uri);
    // The file's one object, read through its folder the first time.
    Quorvel::Ref<File> getFile(const wxString& uri);
    // getFile for a picture; throws Brenmarle::NoImageException "File is not an image" for a
    // file of another kind.
    Quorvel::Ref<File> getImage(const wxString& uri);
    // The local path of a file of a local folder; Quorvel::RuntimeException otherwise.
    wxString getLocalPath(File& file);

    void registerFile(const Quorvel::Ref<File>& file);
    void registerFiles(const std::vector<Quorvel::Ref<File>>& files);
    // Whether the file is in memory now.
    bool isRegistered(const wxString& uri);
    // The file's object when it is in memory; null otherwise (nothing is read).
    Quorvel::Ref<File> findFile(const Quorvel::CompactString& uri);

    // FILE_ADDED; a move (oldUri given) carries the old and new URI.
    void fileAdded(File& file, const wxString& oldUri);
    // FILE_REMOVED; takes the file out of memory's registry.
    void fileRemoved(File& file, const wxString& newUri);
    void fileChanged(File& file, int32_t mask);

    void addFolder(const FolderRef& folder);
    void deleteFolder(Folder2& folder);
    void folderChanged(Folder2& folder, int32_t value);
    void registerFolderFactory(const wxString& scheme, FolderFactory factory);

    // Keyword edits of the files in memory (the catalogue changes the rest): each file that
    // had the keyword gets FILE_CHANGED with CHANGED_KEYWORDS.
    void renameKeyword(const wxString& oldKeyword, const wxString& newKeyword);
    void deleteKeyword(const wxString& keyword);

    // Files listed here are never let go, and are not rescanned when they enter a folder.
    void addNeverRelease(const wxString& uri);
    void removeNeverRelease(const wxString& uri);
    bool isNeverReleased(const wxString& uri);

    // Lets go of files nobody but the registry holds any more: their folders store modified
    // metadata (or drop temporary files) first. A file that could not be stored stays, and
    // stays due: hasOrphans() holds until a later call stores it. Cheap when nothing was let go
    // since the last call; the application calls it when idle. Returns how many were released.
    int releaseOrphans();
    bool hasOrphans() const { return m_orphans.load() > 0; }

    // Logs the registry ("[FILEMANAGER] START OF FILE MAP" ...), used at exit.
    void dumpFileMap();

private:
    Quorvel::Ref<File> putFile(const Quorvel::Ref<File>& file);
    FolderRef makeFolder(const wxString& folderUri);
    void broadcastFileEvent(wxEventType type, File& file, const wxString& oldUri,
                            const wxString& newUri, int32_t mask);

    // Keyed compactly: with a large album on show this holds every one of its files.
    std::map<Quorvel::CompactString, Quorvel::Ref<File>> m_files;
    std::map<wxString, FolderRef> m_folders;
    std::map<wxString, FolderFactory> m_factories;
    std::set<wxString> m_neverRelease;
    // Files whose storing failed and was reported; retried without a new report.
    std::set<wxString> m_failedStores;
    std::atomic<int32_t> m_orphans{0};
};

} // namespace Brenmarle
