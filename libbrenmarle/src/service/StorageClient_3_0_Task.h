#pragma once
// The storage client's task companion: one step of safe storage run on a task runner, its
// inputs given by the factory and its results kept in the task for the listener. Aborting the
// task interrupts the call or transfer under way.
//
// Operation numbers 0 to 8 are the service steps of the safe-storage dialogs and the renting
// assistant; 9 to 12 are the steps the synchronisation runs. Only GET_SUBSCRIPTION_PACKAGES
// and GET_FOLDER_LIST log in themselves (when no session is open); the others need a session
// from CREATE_SESSION on the same client.
//
// Threads: made on the GUI thread, run on a task runner thread; results are read after the
// finished event.

#include <cstdint>
#include <vector>

#include "service/ServiceTask.h"
#include "service/StorageClient_3_0.h"

namespace Brenmarle {

class StorageClient_3_0_Task : public Quorvel::ServiceTask<StorageClient_3_0> {
public:
    enum Operation {
        CREATE_SESSION = 0,
        CLOSE_SESSION = 1,
        GET_ACTIVE_SUBSCRIPTIONS = 2,
        // createSession, then getSubscriptionPackages.
        GET_SUBSCRIPTION_PACKAGES = 3,
        INITIATE_SUBSCRIPTION = 4,
        // confirmSubscription, then closeSession.
        CONFIRM_SUBSCRIPTION = 5,
        GET_SLOT_STATUS = 6,
        RESERVE_SLOTS = 7,
        RELEASE_SLOTS = 8,
        APPLY_CLIENT_OPERATIONS = 9,
        UPLOAD_FILE = 10,
        DOWNLOAD_FILE = 11,
        GET_FOLDER_LIST = 12,
    };
    // Journalled moves and deletions go to the service this many per call.
    static constexpr size_t OPERATION_BATCH = 10;

    using Client = Quorvel::Ref<StorageClient_3_0>;
    using TaskRef = Quorvel::Ref<StorageClient_3_0_Task>;

    // One picture to put into safe storage, in the album or inbox it lies in.
    struct Reservation {
        StorageClient_3_0::SyncFolder folder;
        StorageClient_3_0::SyncFile file;
    };

    static TaskRef createSession(const Client& client);
    static TaskRef closeSession(const Client& client);
    static TaskRef getActiveSubscriptions(const Client& client);
    static TaskRef getSubscriptionPackages(const Client& client);
    static TaskRef initiateSubscription(const Client& client, int slots, const wxString& period);
    static TaskRef confirmSubscription(const Client& client, const wxString& transactionId);
    static TaskRef getSlotStatus(const Client& client);
    // Reserves slots for each picture in turn ("Reserving slots for file %d of %d"). The
    // service's "SoapClient.Slots" and "SoapClient.InsufficientSlots" end it with their own
    // code and message; any other failure as "Could not get reserve slots for file: %s (%s)"
    // (the file's name and the cause) with the cause's code. Pictures reserved before a
    // failure stay reserved (reservedCount says how many).
    static TaskRef reserveSlots(const Client& client, const std::vector<Reservation>& pictures);
    // Releases each file in turn ("Releasing slots for file %d of %d"); a failure as "Could not
    // release slots for file: %s (%s)".
    static TaskRef releaseSlots(const Client& client,
                                const std::vector<StorageClient_3_0::FileId>& files);
    // Sends the operations in order, OPERATION_BATCH per call ("Updating information on
    // server..."). sentOperations counts those the service has taken, also when a later batch
    // fails: the caller forgets those and keeps the rest for the next try.
    static TaskRef
    applyClientOperations(const Client& client,
                          const std::vector<StorageClient_3_0::ClientOperation>& operations);
    // Sends the local file at `path` to `file`'s upload address ("Uploading file %s...") and
    // registers it with `info` (its identity, name and size filled in from `file` and the file
    // on disk). IOException "System.FileTooLarge" (nothing sent) for 2 GB or more; a failed
    // upload is "Error uploading to safe storage: <cause>" and registers nothing.
    static TaskRef uploadFile(const Client& client, const StorageClient_3_0::SyncFile& file,
                              const wxString& path, const StorageClient_3_0::FileInfo& info);
    // Fetches `file` into the folder `folderPath` under its local name
    // (StorageClient_3_0::localFileName) ("Downloading file %s..."). The bytes go to a
    // temporary file that takes the name only when their count is the file's size and their
    // MD5 the one the server sent; otherwise IOException "Error downloading file" and the
    // local file is as it was. Sets downloadedPath.
    static TaskRef downloadFile(const Client& client, const StorageClient_3_0::SyncFile& file,
                                const wxString& folderPath);
    // Logs in when no session is open ("Logging in to safe storage server..."), then
    // "Downloading list of folders from server...".
    static TaskRef getFolderList(const Client& client);

    // Any operation number; the factories are the usual way.
    StorageClient_3_0_Task(const Client& client, int operation);

    // Inputs.
    int slots = 0;
    wxString period;
    wxString transactionId;
    std::vector<Reservation> reservations;
    std::vector<StorageClient_3_0::FileId> releases;
    std::vector<StorageClient_3_0::ClientOperation> operations;
    StorageClient_3_0::SyncFile file;
    StorageClient_3_0::FileInfo fileInfo;
    wxString path;

    // Results.
    wxString sessionId;
    StorageClient_3_0::SlotStatus slotStatus;
    std::vector<StorageClient_3_0::Subscription> subscriptions;
    std::vector<StorageClient_3_0::SubscriptionPackage> packages;
    StorageClient_3_0::Transaction transaction;
    StorageClient_3_0::Confirmation confirmation;
    std::vector<StorageClient_3_0::SyncFolder> folders;
    int reservedCount = 0;
    int releasedCount = 0;
    size_t sentOperations = 0;
    wxString downloadedPath;

protected:
    void runOperation(int operation) override;
    void onAbort() override;

private:
    void status(const wxString& text);
    void loginIfNeeded();
    void reserveAll();
    void releaseAll();
    void applyAll();
    void upload();
    void download();
};

} // namespace Brenmarle
