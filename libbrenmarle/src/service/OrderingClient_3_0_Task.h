#pragma once
// The ordering client's task companion: one step of sending an order run on a task runner,
// its inputs given by the factory and its results kept in the task for the listener. Aborting
// the task interrupts the call or upload under way.
//
// The order-sending flow runs the steps in this order, each when the previous one succeeded:
// CREATE_SESSION, CREATE_ORDER, UPLOAD_ORDER_DETAILS, GET_FILE_UPLOAD_LIST, UPLOAD_FILES,
// VERIFY_ORDER, GET_TRANSACTION_ID (only when something is to be paid), CONFIRM_ORDER.
//
// Threads: made on the GUI thread, run on a task runner thread; results are read after the
// finished event. UPLOAD_FILES sends in two lanes, each on connections of its own (the second
// lane on a thread of its own, with a client sharing the session): while the service flushes
// one file to its disk, the other is on its way. Each lane reads its next file and registers
// its last one on helper threads while it sends; all are waited for before the task ends.
// m_laneLock guards the counts, the second lane's client and the first failure.

#include <atomic>
#include <cstdint>
#include <future>
#include <mutex>
#include <string>
#include <vector>

#include "service/OrderingClient_3_0.h"
#include "service/ServiceTask.h"

namespace Brenmarle {

class OrderingClient_3_0_Task : public Quorvel::ServiceTask<OrderingClient_3_0> {
public:
    enum Operation {
        CREATE_SESSION = 0,
        CLOSE_SESSION = 1,
        CREATE_ORDER = 2,
        UPLOAD_ORDER_DETAILS = 3,
        GET_FILE_UPLOAD_LIST = 4,
        UPLOAD_FILES = 5,
        GET_TRANSACTION_ID = 6,
        GET_SAFE_STORAGE_CANDIDATES = 7,
        VERIFY_ORDER = 8,
        CONFIRM_ORDER = 9,
        GET_DEFAULT_PICKUP_LOCATION = 10,
        SET_DEFAULT_PICKUP_LOCATION = 11,
    };
    // Nothing larger is sent as one file.
    static constexpr int64_t UPLOAD_LIMIT = 2000000000;
    // Files sent at once by UPLOAD_FILES.
    static constexpr size_t UPLOAD_LANES = 2;

    using Client = Quorvel::Ref<OrderingClient_3_0>;
    using TaskRef = Quorvel::Ref<OrderingClient_3_0_Task>;

    // One picture of the order on this computer: the reference the order names it by
    // ("file://", "ssfile://" or "nvtemp://" form) and the local file its bytes come from.
    // `info` is what registerFile sends; its identity fields, file name and size are filled
    // from the upload list's entry and the file on disk.
    struct OrderFile {
        wxString clientRef;
        wxString path;
        OrderingClient_3_0::FileInfo info;
    };

    static TaskRef createSession(const Client& client);
    static TaskRef closeSession(const Client& client);
    static TaskRef createOrder(const Client& client, const wxString& pricelistId);
    static TaskRef uploadOrderDetails(const Client& client, const std::string& orderDetailsXml);
    // Also sums the sizes of the listed files found among `files` into uploadSize.
    static TaskRef getFileUploadList(const Client& client, const std::vector<OrderFile>& files);
    // Sends each entry of `uploadList` (GET_FILE_UPLOAD_LIST's result) from its file among
    // `files`, then registers it. Fails with RuntimeException "Unknown clientref: <ref>" for a
    // reference of another form, NotFoundException "Could not find %s in list of files to
    // upload" for one not among `files`, ServiceException "Security.Credentials" (nothing sent)
    // for an upload address off the service's own scheme, host and port or without a session,
    // and IOException "Could not upload file to server: <cause>" when an upload fails or ends
    // without a status; a file that failed is never registered, and after a failure only the
    // upload under way in the other lane goes on. Sets the status text "Uploading file %d of
    // %d" before each file.
    static TaskRef uploadFiles(const Client& client, const std::vector<OrderFile>& files,
                               const std::vector<OrderingClient_3_0::FileUpload>& uploadList);
    static TaskRef getTransactionId(const Client& client);
    static TaskRef getSafeStorageCandidates(const Client& client);
    // `acceptedTotal` is the total the user accepted.
    static TaskRef verifyOrder(const Client& client, double acceptedTotal);
    static TaskRef confirmOrder(const Client& client);
    static TaskRef getDefaultPickupLocation(const Client& client);
    static TaskRef setDefaultPickupLocation(const Client& client, const wxString& pickupLocation);

    // Any operation number; the factories are the usual way.
    OrderingClient_3_0_Task(const Client& client, int operation);

    // Inputs.
    wxString pricelistId;
    std::string orderDetailsXml;
    double acceptedTotal = 0;
    // Input of SET_DEFAULT_PICKUP_LOCATION, result of GET_DEFAULT_PICKUP_LOCATION.
    wxString pickupLocation;
    std::vector<OrderFile> files;
    // Input of UPLOAD_FILES, result of GET_FILE_UPLOAD_LIST.
    std::vector<OrderingClient_3_0::FileUpload> uploadList;

    // Results.
    wxString sessionId;
    wxString orderId;
    double orderTotal = 0;
    // Bytes of the listed files (GET_FILE_UPLOAD_LIST), of those sent (UPLOAD_FILES).
    int64_t uploadSize = 0;
    int uploadedCount = 0;
    OrderingClient_3_0::Transaction transaction;
    OrderingClient_3_0::SafeStorageCandidates safeStorage;
    // CONFIRM_ORDER's final order id.
    wxString confirmedOrderId;

protected:
    void runOperation(int operation) override;
    void onAbort() override;

private:
    // The local file an upload list entry names; throws as uploadFiles says.
    const OrderFile& findFile(const wxString& clientRef) const;
    void uploadAll();
    // Sends and registers the entries first, first + step, ... of uploadList on `client`.
    void uploadLane(OrderingClient_3_0& client, size_t first, size_t step);
    // Registers on `client` a file of `size` bytes that was sent, on a thread of its own (where
    // called when none can be started); the future gives the size, or the call's failure.
    std::future<int64_t> registerInBackground(OrderingClient_3_0& client,
                                              const OrderingClient_3_0::FileUpload& entry,
                                              const OrderFile& file, int64_t size);
    // Waits for the registration under way, if any, and counts its file; throws its failure.
    void countRegistered(std::future<int64_t>& registering);

    std::mutex m_laneLock;
    Quorvel::Ref<OrderingClient_3_0> m_secondLane;
    std::atomic<int> m_uploadsStarted{0};
    std::atomic<bool> m_stopUploads{false};
};

} // namespace Brenmarle
