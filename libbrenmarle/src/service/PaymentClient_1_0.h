#pragma once
// Client of the payment service, the one service reached over HTTPS: the options of a
// transaction another service opened, the payer's details, and the outcome.
//
// TLS always authenticates the server and checks its host name: with the program's own
// authority file (certs/cacert.pem among its resources) when there is one, else with the
// system's authorities. The server is named by another service's reply ("host[:port]"), which
// is read strictly (parseServer).
//
// One charge per transaction: when details were sent for a transaction before and the reply
// was lost, the next sendPaymentDetails for it asks the transaction's state first and sends
// nothing when the service has them already. The client data (card numbers) goes into the
// request only: it is never logged or kept.
//
// Threads: one thread at a time, except interrupt() (GSoapClient).

#include <set>
#include <string>
#include <vector>

#include <wx/string.h>

#include "service/GSoapClient.h"
#include "service/ServiceAddress.h"
#include "threads/ReferenceCounted.h"

namespace Brenmarle {

class PaymentClient_1_0 : public Quorvel::GSoapClient, public Quorvel::ReferenceCounted {
public:
    static constexpr const char* SERVICE_PATH = "/service/payment/1.0/";
    // Relative to the program's resources.
    static constexpr const char* CA_FILE = "certs/cacert.pem";
    static constexpr int DEFAULT_PORT = 443;
    // The status of a transaction still waiting for its details.
    static constexpr const char* OPEN_STATUS = "TR_OPEN";

    struct PaymentOption {
        int id = 0;
        wxString type;
        wxString requiredData;
    };
    struct PaymentOptions {
        std::vector<PaymentOption> options;
        wxString description;
        double amount = 0;
        wxString currency;
    };
    struct Feedback {
        wxString status;
        wxString data;
    };
    struct TransactionStatus {
        wxString statusCode;
        wxString errorCode;
        wxString description;
    };

    // `caFile` empty: the system's authorities. Throws RuntimeException "Could not setup SSL
    // for payment client" when TLS cannot be set up (also for a missing `caFile`).
    PaymentClient_1_0(Quorvel::NetworkSettings& settings, const wxString& caFile);
    // The network settings of the program and defaultCaFile().
    PaymentClient_1_0();

    // The program's authority file when the resources have one, else empty.
    static wxString defaultCaFile();
    // "host" or "host:port" (port 443 when none): a host name, dotted IPv4 address or
    // bracketed IPv6 address, and a port of digits from 1 to 65535; nothing else (no scheme,
    // user, path or blanks). Throws ResponseException "Server.InvalidAddress".
    static Quorvel::ServiceAddress parseServer(const wxString& text);

    // "https://%s:%d/service/payment/1.0/"; no port override.
    void setAddress(const Quorvel::ServiceAddress& address) override;

    // Each throws SoapException when the call fails, ResponseException for a reply without
    // the options.
    PaymentOptions getPaymentOptions(const wxString& transactionId, const wxString& language);
    // Sends the details, unless an earlier try for the transaction may have reached the
    // service and the service holds them already; true when they were sent now.
    bool sendPaymentDetails(const wxString& transactionId, int paymentOptionId,
                            const std::string& clientData);
    Feedback getPaymentFeedback(const wxString& transactionId);
    TransactionStatus getTransactionStatus(const wxString& transactionId);

private:
    // Transactions whose details were sent, or tried, by this client.
    std::set<wxString> m_detailsTried;
};

} // namespace Brenmarle
