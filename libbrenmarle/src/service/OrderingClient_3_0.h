#pragma once
// Client of a provider's ordering service: a session, an order created against a price list
// and described by its XML document, the pictures the service still needs (sent over plain
// HTTP with the upload routine the storage and sharing clients share), verification of the
// accepted total, a payment transaction when something is to be paid, and confirmation. Every
// text is UTF-8 on the wire and a wide string here.
//
// The service is reached with the account's credentials; createSession replaces them with the
// session's, which then go with every call and upload, and only to the service's own scheme,
// host and port (RpasClient_3_0).
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
} // namespace Quorvel

namespace Brenmarle {

class OrderingClient_3_0 : public RpasClient_3_0 {
public:
    static constexpr const char* SERVICE_PATH = "/service/ordering/3.0/";

    // The three forms of a file's client reference, and their prefixes' lengths.
    static constexpr const char* SAFE_STORAGE_PREFIX = "ssfile://";
    static constexpr const char* FILE_PREFIX = "file://";
    static constexpr const char* NVTEMP_PREFIX = "nvtemp://";

    // A file the service still needs, and where to send it.
    struct FileUpload {
        wxString uploadUrl;
        FileId fileId;
    };
    struct SafeStorageCandidates {
        bool offerStorage = false;
        int slotSize = 0;
        std::vector<FileId> unsafeFiles;
        std::vector<FileId> rentedFiles;
    };
    struct Transaction {
        wxString paymentServer;
        wxString transactionId;
    };

    explicit OrderingClient_3_0(Quorvel::NetworkSettings& settings);
    OrderingClient_3_0();

    // A client of the same settings, address and session (and so the same order) with
    // connections of its own, for transfers beside this client's.
    Quorvel::Ref<OrderingClient_3_0> inSameSession() const;

    // Each throws SoapException when the call fails, and what is said below.

    // With the account's credentials; afterwards every call and upload uses the session.
    // Returns the session id. ResponseException "Missing session id" for an empty one.
    wxString createSession();
    void closeSession();
    // Logs "[ORDERCLIENT_3_0] Created order %s". Returns the service's order id.
    wxString createOrder(const wxString& pricelistId);
    // `orderDetailsXml` is the order's XML document (UTF-8). Returns the order total the
    // service computed.
    double uploadOrderDetails(const std::string& orderDetailsXml);
    std::vector<FileUpload> getFileUploadList();
    void registerFile(const FileId& fileId, const FileInfo& fileInfo, bool uploaded);
    SafeStorageCandidates getSafeStorageCandidates();
    // Sends the total rounded to the cent; the service compares it with its own to the cent.
    void verifyOrder(double totalPrice);
    // Logs "[ORDERCLIENT_3_0] Got transaction id %s!".
    Transaction getTransactionId();
    // Logs "[ORDERCLIENT_3_0] Confirmed order!". Returns the final order id.
    wxString confirmOrder();
    wxString getDefaultPickupLocation();
    void setDefaultPickupLocation(const wxString& pickupLocation);

    // RpasClient_3_0::uploadFile with the message "Error before uploading file to ordering".
    void uploadFile(Quorvel::HTTPClient& http, const wxString& path, const wxString& url,
                    const wxString& md5 = wxString());

    // An amount in whole cents, rounded half away from zero (Money's rounding). Money from the
    // service is a double on the wire; totals are compared in cents, never as doubles.
    // Throws AmountOutOfRangeException for a value that is not finite or out of Money's range.
    static int64_t toCents(double amount);
    static bool sameInCents(double a, double b) { return toCents(a) == toCents(b); }

protected:
    ~OrderingClient_3_0() override;

private:
    void succeeded() const;
};

} // namespace Brenmarle
