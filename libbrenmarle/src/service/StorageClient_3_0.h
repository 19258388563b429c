#pragma once
// Client of a provider's storage service ("safe storage"): a session, the account's folders and
// the files stored in them with their metadata, slots and subscriptions, the client's own moves
// and deletions, and the file contents moved over plain HTTP to and from the addresses the
// service hands out (RpasClient_3_0's transfers: the session's credentials, only to the
// service's own scheme, host and port). Every text is UTF-8 on the wire and a wide string here.
//
// What a reply names is checked before anyone uses it: a folder or file without its server id,
// a client reference of another form or whose name could leave a folder ("..", "/", a leading
// "."), a file name of that kind, and a transfer address on another server are refused with
// ResponseException. So a name from the server can become a local file name only through
// localFileName(), and nothing here ever becomes a path unchecked.
//
// Times are seconds since 1970 as the program keeps them; a picture's time is its wall clock
// read as UTC and goes on the wire as that UTC time ("...Z").
//
// Threads: one thread at a time (a task's), except interrupt() (GSoapClient). Held by counted
// references.

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include <wx/string.h>

#include "service/RpasClient_3_0.h"

namespace Quorvel {
class HTTPClient;
class NetworkSettings;
class Task;
} // namespace Quorvel

namespace Brenmarle {

class StorageClient_3_0 : public RpasClient_3_0 {
public:
    static constexpr const char* SERVICE_PATH = "/service/storage/3.0/";
    // Client references of files, albums and the inbox.
    static constexpr const char* FILE_PREFIX = "ssfile://";
    static constexpr const char* FOLDER_PREFIX = "ssfolder://";
    static constexpr const char* INBOX_REFERENCE = "ssinbox://";
    // Files of this size or more are never stored: the service counts sizes in 32 bits.
    static constexpr int64_t MAX_FILE_BYTES = int64_t{1} << 31;

    enum StorageType { NO_SAFE_STORAGE = 0, RENTED_STORAGE = 1, PURCHASED_STORAGE = 2 };
    enum ClientOperationType { MOVE = 0, DELETE = 1 };

    struct FolderId {
        wxString serverUuid;
        wxString clientRef;
    };
    struct FolderInfo {
        wxString folderName;
        wxString description;
        std::time_t creationTime = 0;
        std::time_t updateTime = 0;
        std::time_t metaModifyTime = 0;
    };
    struct SyncFolder {
        wxString serverUuid;
        wxString clientRef;
        wxString folderName;
        std::time_t updateTime = 0;
        std::time_t metaModifyTime = 0;
    };
    struct SyncFile {
        wxString serverUuid;
        wxString clientRef;
        std::time_t fileModifyTime = 0;
        std::time_t metaModifyTime = 0;
        wxString fileName;
        int64_t fileSize = 0;
        StorageType storageType = NO_SAFE_STORAGE;
        wxString uploadUrl;
        wxString downloadUrl;
    };
    struct ClientOperation {
        ClientOperationType type = MOVE;
        std::time_t time = 0;
        wxString fileClientRef;
        wxString folderClientRef;
    };
    struct SlotStatus {
        int slotSize = 0;
        int freeLeasedSlots = 0;
        int freePurchasedSlots = 0;
        int givenSlots = 0;
        int leasedSlots = 0;
        int purchasedSlots = 0;
        int leasedFiles = 0;
        int purchasedFiles = 0;
    };
    struct SubscriptionPackage {
        int slots = 0;
        int slotSize = 0;
        wxString period;
        double price = 0;
        wxString currency;
    };
    struct Subscription {
        wxString type;
        int slots = 0;
        std::time_t from = 0;
        std::time_t expires = 0;
        double price = 0;
        wxString currency;
    };
    struct Transaction {
        wxString paymentServer;
        wxString transactionId;
    };
    struct Confirmation {
        int newSlots = 0;
        std::time_t expires = 0;
        SlotStatus slotStatus;
    };

    explicit StorageClient_3_0(Quorvel::NetworkSettings& settings);
    StorageClient_3_0();

    // Each throws SoapException when the call fails, ResponseException for a reply that lacks
    // what the client needs or names something unsafe (see above), and what is said below.

    // With the account's credentials; afterwards every call and transfer uses the session.
    // ResponseException "Missing session id" for an empty one.
    wxString createSession();
    void closeSession();
    // ResponseException "Missing slot status response" when the reply has none (also for
    // reserveSlots and releaseSlots).
    SlotStatus getSlotStatus();
    SlotStatus reserveSlots(const SyncFolder& folder, const SyncFile& file);
    SlotStatus releaseSlots(const FileId& file);
    std::vector<Subscription> getActiveSubscriptions();
    std::vector<SubscriptionPackage> getSubscriptionPackages();
    Transaction initiateSubscription(int slots, const wxString& period);
    Confirmation confirmSubscription(const wxString& transactionId);
    void applyClientOperations(const std::vector<ClientOperation>& operations);
    std::time_t getUpdateTime();
    std::vector<SyncFolder> getFolderList();
    void setFolderClientRef(const FolderId& folder, const wxString& clientRef);
    FolderInfo getFolderInfo(const FolderId& folder);
    void setFolderInfo(const FolderId& folder, const FolderInfo& info);
    std::vector<SyncFile> getFileList(const FolderId& folder);
    void setFileClientRef(const FileId& file, const wxString& clientRef);
    FileInfo getFileInfo(const FileId& file);
    void registerFile(const FileId& file, const FileInfo& info, bool uploaded);

    // RpasClient_3_0::uploadFile with the message "Error before uploading file to storage".
    // IOException "System.FileTooLarge" (nothing sent) for a file of MAX_FILE_BYTES or more.
    void uploadFile(Quorvel::HTTPClient& http, const wxString& path, const wxString& url);
    // Fetches `file` from its download address into the local file `target` on a new transfer
    // client that `task`'s abort stops. The bytes go to a temporary file
    // that takes the name only when their count is the file's size and their MD5 the one the
    // server sent; otherwise IOException "Error downloading file: <cause>" and `target` is as
    // it was. AbortException when `task` was aborted.
    void fetchFile(const SyncFile& file, const wxString& target, Quorvel::Task& task);

    // The client reference of a local picture or folder URI: "ssfile://" and the text after
    // its last "/"; "ssinbox://" for the inbox; "ssfolder://" and an album's identifier.
    static wxString fileReference(const wxString& uri);
    static wxString folderReference(const wxString& folderUri);
    // The name a server file takes locally: the text after "ssfile://" of its reference, else
    // its file name. ResponseException when that is empty, ".", "..", starts with "." or holds
    // "/", "\\" or a control character: it would leave the folder or hide there.
    static wxString localFileName(const SyncFile& file);
    // Whether `name` is one plain name in a folder, as localFileName requires.
    static bool isPlainName(const wxString& name);
    // IOException "System.FileTooLarge" for a size of MAX_FILE_BYTES or more, naming `name`.
    static void checkFileSize(int64_t size, const wxString& name);

protected:
    ~StorageClient_3_0() override;

private:
    void succeeded() const;
    // Refuses what a reply names unsafely (see above).
    void checkFolder(const SyncFolder& folder) const;
    void checkFile(const SyncFile& file) const;
};

} // namespace Brenmarle
