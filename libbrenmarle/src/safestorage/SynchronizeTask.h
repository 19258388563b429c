#pragma once
// One synchronisation pass of safe storage: the journal of local moves and deletions sent to
// the storage service, then every stored album (and the inbox) brought into step both ways —
// pictures, their metadata and the albums' names and descriptions — and the catalogue rows
// given their safe-storage fields (account, storage type, revision).
//
// What it holds to, beyond the plain pass:
// - A download goes to a temporary file, checked for length and MD5, then renamed over the
//   picture; a broken one leaves the picture as it was and fails the run.
// - A picture edited here and not yet sent is never overwritten by a newer server copy: the
//   local picture is first kept as a new, unstored picture of the same album, named as it was
//   with LOCAL_COPY_SUFFIX before its extension, and the server's copy then takes the place.
// - Names and references from the server become local names only as UUIDs: an album or file
//   whose reference names none gets a new UUID here, and the server is told the new reference.
// - A server album that is empty and has no local album (one deleted here, its pictures
//   deleted through the journal) is not made again.
// - A picture of 2 GB or more is not sent; the others are, and the run then fails naming it.
// - Pictures are sent by threads of their own (UploadQueue), two at once, while the task reads
//   and digests the next; uploaded pictures are registered, two at once, on connections of
//   their own (RegistrationQueue) while the next ones upload. A picture's catalogue row is
//   marked stored only once the service has taken its registration; a failed upload or
//   registration fails the run with its message.
//
// Threads: made on the GUI thread, run on a task runner thread; it reaches the catalogue and the
// file manager through their locks. abort() (any thread) interrupts the call or transfer under
// way, the uploads' and registrations' as well. The counts are read after the task's finished,
// failed or aborted event.

#include <cstdint>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include <wx/string.h>

#include "folders/Folder2.h"
#include "service/ServiceAddress.h"
#include "service/StorageClient_3_0.h"
#include "threads/Task.h"

namespace Quorvel {
class NetworkSettings;
}

namespace Brenmarle {

class Database;
class FileManager;
class ManagedFolder;
class RegistrationQueue;
class UploadQueue;

class SynchronizeTask : public Quorvel::Task {
public:
    // Journal rows go to the service this many per call.
    static constexpr size_t OPERATION_BATCH = 10;
    // Added to the name of a local picture kept beside a newer server copy.
    static constexpr const char* LOCAL_COPY_SUFFIX = " (local copy)";
    // Uploaded pictures whose registration may wait behind the one being sent.
    static constexpr size_t REGISTRATIONS_WAITING = 4;
    // Pictures sent at once, each on a connection of its own: while the service flushes one
    // file to its disk the next is on its way.
    static constexpr size_t UPLOAD_CONNECTIONS = 2;
    // Pictures read and waiting to be sent behind the ones being sent.
    static constexpr size_t UPLOADS_WAITING = 2;
    // Registrations sent at once, each on a connection of its own.
    static constexpr size_t REGISTRATION_CONNECTIONS = 2;

    // What a pass did, for the log, the manager and tests.
    struct Counts {
        int journalled = 0;
        int uploaded = 0;
        int downloaded = 0;
        int infoUploaded = 0;
        int infoDownloaded = 0;
        int keptLocalCopies = 0;
        int unstored = 0;
        int albumsMade = 0;
    };

    // `address`: the account's storage endpoint with its credentials; `accountId`: the account
    // whose pictures these are (the pictures' and albums' safe-storage account). `settings`
    // (proxy) must outlive the task.
    SynchronizeTask(FileManager& files, Database& database, const Quorvel::ServiceAddress& address,
                    Quorvel::NetworkSettings& settings, const wxString& accountId);

    // Throws AbortException when aborted, the service's or transfer's exception on failure.
    void run() override;

    Counts counts;

protected:
    ~SynchronizeTask() override;
    void onAbort() override;

private:
    // A server album and the local folder it is kept in.
    struct FolderPair {
        StorageClient_3_0::SyncFolder server;
        Quorvel::Ref<ManagedFolder> local;
        bool contents = false;
        bool meta = false;
        // The server's file list, once read.
        std::vector<StorageClient_3_0::SyncFile> listed;
        bool hasList = false;
    };

    void status(const wxString& text);
    void login();
    void replayJournal();
    StorageClient_3_0::ClientOperation operationOf(int32_t type, int32_t time,
                                                   const wxString& uri) const;
    void matchFolders();
    bool findLocalFolder(FolderPair& pair);
    bool makeLocalAlbum(FolderPair& pair);
    bool hasLocalChanges(ManagedFolder& folder);
    void synchronizeContents(FolderPair& pair);
    void synchronizeFile(FolderPair& pair, const StorageClient_3_0::SyncFile& server,
                         std::set<wxString>& notFound);
    Quorvel::Ref<File> localPicture(FolderPair& pair, const StorageClient_3_0::SyncFile& server,
                                    bool& isNew);
    // Reads the picture and queues its upload and registration; a picture too large to store
    // is only noted (for the failure at the end).
    void upload(const Quorvel::Ref<File>& file, const StorageClient_3_0::SyncFile& server);
    // Marks stored the pictures whose registration the service has taken (with `waitForAll`,
    // once every queued upload and registration is sent); throws an upload's or a
    // registration's failure.
    void markRegistered(bool waitForAll);
    void stopRegistrations();
    void download(ManagedFolder& folder, File& file, const StorageClient_3_0::SyncFile& server);
    void keepLocalCopy(ManagedFolder& folder, File& file);
    void synchronizeMeta(FolderPair& pair);
    void unstore(File& file);
    void unstoreOutside();

    FileManager& m_files;
    Database& m_database;
    Quorvel::Ref<StorageClient_3_0> m_client;
    // The registrations' own connections, in the same session.
    std::vector<Quorvel::Ref<StorageClient_3_0>> m_registrationClients;
    // Connections of the uploads beside m_client's, in the same session.
    std::vector<Quorvel::Ref<StorageClient_3_0>> m_uploadClients;
    // Made at the first upload and ended with the run, on the task's thread; m_queueLock
    // guards the pointers against onAbort() (any thread). The uploads hand on to the
    // registrations, so they end first.
    std::mutex m_queueLock;
    std::unique_ptr<RegistrationQueue> m_registrations;
    std::unique_ptr<UploadQueue> m_uploads;
    const wxString m_accountId;
    bool m_loggedIn = false;
    std::vector<FolderPair> m_folders;
    // Names of pictures too large to store, for the failure at the end.
    std::vector<wxString> m_tooLarge;
};

} // namespace Brenmarle
