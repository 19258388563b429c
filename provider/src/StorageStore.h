#pragma once
// The storage service's tables in the provider's SQLite file: each account's folders and the
// files stored in them with their metadata and the slots they take, and the account's
// subscriptions of extra slots. Works on the connection of a ProviderStore; every change is
// committed at once.
//
// Times given by the client (file and metadata times) are kept as sent; a folder's update time
// is the provider's and grows with every change of its contents, by at least one second, so a
// client that compares it for equality never misses a change made in the same second.
//
// Threads: the thread that owns the connection (one object per worker).

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <vector>

struct sqlite3;

namespace Provider {

class StorageStore {
public:
    struct Folder {
        std::string serverUuid;
        std::string clientRef;
        std::string name;
        std::string description;
        int64_t creationTime = 0;
        int64_t updateTime = 0;
        int64_t metaModifyTime = 0;
    };
    struct File {
        std::string serverUuid;
        std::string folderUuid;
        std::string clientRef;
        int64_t fileModifyTime = 0;
        int64_t metaModifyTime = 0;
        std::string name;
        int64_t size = 0;
        int storageType = 1;
        int64_t slots = 0;
        // Whether bytes of the file arrived and were registered.
        bool uploaded = false;
        // The metadata the client registered, as a JSON object.
        std::string info = "{}";
        // The time of the last client operation applied to the file.
        int64_t lastOperationTime = 0;
    };
    struct Subscription {
        std::string transactionId;
        std::string type;
        int64_t slots = 0;
        std::string period;
        double price = 0;
        std::string currency;
        int64_t from = 0;
        int64_t expires = 0;
        bool confirmed = false;
    };
    using Clock = std::function<std::time_t()>;

    // Creates the tables when missing. Throws StoreError.
    StorageStore(sqlite3* db, Clock clock);

    std::vector<Folder> folders(const std::string& accountId);
    // By server id when it is given, else by client reference.
    std::optional<Folder> findFolder(const std::string& accountId, const std::string& serverUuid,
                                     const std::string& clientRef);
    // The folder of that client reference, made (named `name`) when there is none.
    Folder ensureFolder(const std::string& accountId, const std::string& clientRef,
                        const std::string& name);
    void setFolderInfo(const std::string& accountId, const Folder& folder);
    // False when another folder of the account has the reference.
    bool setFolderClientRef(const std::string& accountId, const std::string& serverUuid,
                            const std::string& clientRef);
    // The newest update time of the account's folders; 0 without folders.
    int64_t updateTime(const std::string& accountId);

    std::vector<File> files(const std::string& accountId, const std::string& folderUuid);
    // By server id when it is given, else by client reference.
    std::optional<File> findFile(const std::string& accountId, const std::string& serverUuid,
                                 const std::string& clientRef);
    // A new file of `folderUuid` (its server id drawn here); the folder's update time grows.
    File addFile(const std::string& accountId, File file);
    // Like addFile, but only while the account's files take no more than `slotLimit` slots
    // with it; nothing when they would. Looked at and written in one transaction, so two
    // reservations at once cannot both take the last slots.
    std::optional<File> addFileWithin(const std::string& accountId, File file, int64_t slotLimit);
    // Saves every field of an existing file; the folder's update time grows.
    void saveFile(const std::string& accountId, const File& file);
    // Moves the file; both folders' update times grow.
    void moveFile(const std::string& accountId, const File& file, const std::string& folderUuid,
                  int64_t operationTime);
    void removeFile(const std::string& accountId, const File& file);
    // Notes a client operation on the file that changed nothing (a move to where it is), so an
    // older one arriving later does not undo it.
    void noteOperation(const std::string& accountId, const File& file, int64_t operationTime);
    // False when another file of the account has the reference.
    bool setFileClientRef(const std::string& accountId, const std::string& serverUuid,
                          const std::string& clientRef);
    // Slots and files the account's stored files take.
    int64_t usedSlots(const std::string& accountId);
    int64_t fileCount(const std::string& accountId);

    // A subscription waiting for its payment, under the id of its payment transaction, or one
    // drawn here when it has none (nothing to pay); returns its transaction id.
    std::string addSubscription(const std::string& accountId, Subscription subscription);
    std::optional<Subscription> findSubscription(const std::string& accountId,
                                                 const std::string& transactionId);
    // Confirms it once, from now on for `seconds`; a second confirmation changes nothing.
    Subscription confirmSubscription(const std::string& accountId, const std::string& transactionId,
                                     int64_t seconds);
    // Confirmed subscriptions not yet expired.
    std::vector<Subscription> activeSubscriptions(const std::string& accountId);
    int64_t leasedSlots(const std::string& accountId);

    std::time_t now() const;

private:
    void insertFile(const std::string& accountId, File& file);
    void touchFolder(const std::string& accountId, const std::string& folderUuid);

    sqlite3* m_db;
    Clock m_clock;
};

} // namespace Provider
