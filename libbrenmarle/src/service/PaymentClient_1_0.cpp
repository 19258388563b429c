#include "service/PaymentClient_1_0.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include "SoapPaymentH.h"
#include "service/NetworkSettings.h"
#include "service/SoapText.h"
#include "service/WebAddress.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

constexpr auto* text = &Quorvel::SoapText::fromWire;
constexpr auto* bytes = &Quorvel::SoapText::toWire;

const int MAX_PORT_DIGITS = 5;

[[noreturn]] void invalidServer(const wxString& server)
{
    throw Quorvel::ResponseException(
        wxS("Server.InvalidAddress"),
        wxString::Format(_("The server named an invalid payment server: %s"),
                         Quorvel::WebAddress::printable(server)));
}

} // namespace

PaymentClient_1_0::PaymentClient_1_0(Quorvel::NetworkSettings& settings, const wxString& caFile)
    : GSoapClient("payment", SERVICE_PATH, settings)
{
    requireSsl(caFile, _("Could not setup SSL for payment client"));
    QDEBUG("[PAYMENTCLIENT_1_0] Constructor");
}

PaymentClient_1_0::PaymentClient_1_0()
    : PaymentClient_1_0(Quorvel::NetworkSettings::get(), defaultCaFile())
{
}

wxString PaymentClient_1_0::defaultCaFile()
{
    if (!Quorvel::Environment::isInitialised())
        return wxString();
    const wxString path = Quorvel::Environment::getResourceDir() + CA_FILE;
    return wxFileName::FileExists(path) ? path : wxString();
}

Quorvel::ServiceAddress PaymentClient_1_0::parseServer(const wxString& server)
{
    wxString host = server;
    wxString port;
    // A bracketed IPv6 address holds colons of its own.
    const int colon = server.StartsWith("[") ? server.Find("]:") : server.Find(':', true);
    if (colon != wxNOT_FOUND) {
        const size_t split = server.StartsWith("[") ? colon + 1 : colon;
        host = server.Left(split);
        port = server.Mid(split + 1);
        if (port.empty() || port.length() > MAX_PORT_DIGITS || !port.IsNumber() ||
            port.StartsWith("+") || port.StartsWith("-"))
            invalidServer(server);
    }
    if (!server.StartsWith("[") && host.Find(':') != wxNOT_FOUND)
        invalidServer(server);
    long number = DEFAULT_PORT;
    if (!port.empty() && !port.ToLong(&number))
        invalidServer(server);
    if (!Quorvel::WebAddress::isValidHost(host) || !Quorvel::WebAddress::isValidPort(number))
        invalidServer(server);
    return {host, static_cast<int>(number), wxString(), wxString()};
}

void PaymentClient_1_0::setAddress(const Quorvel::ServiceAddress& address)
{
    WebServiceClient::setAddress(
        address, wxString::Format("https://%s:%d%s", address.host, address.port, SERVICE_PATH));
}

PaymentClient_1_0::PaymentOptions
PaymentClient_1_0::getPaymentOptions(const wxString& transactionId, const wxString& language)
{
    QDEBUG("[PAYMENTCLIENT_1_0] getPaymentOptions");
    Call call(*this, "getPaymentOptions");
    SoapPayment::payment__getPaymentOptionsResponse reply;
    call.check(SoapPayment::soap_call_payment__getPaymentOptions(
        call.context(), call.endpoint(), "", bytes(transactionId), bytes(language), reply));
    if (!reply.paymentoptions)
        throw Quorvel::ResponseException(_("Missing payment options"));
    PaymentOptions options;
    options.description = text(reply.description);
    options.amount = reply.amount;
    options.currency = text(reply.currency);
    QDEBUG("[PAYMENTCLIENT_1_0] Description: %s", options.description);
    QDEBUG("[PAYMENTCLIENT_1_0] Amount: %0.2f %s", options.amount, options.currency);
    for (int i = 0; i < reply.paymentoptions->__size; ++i) {
        const auto& item = reply.paymentoptions->__ptr[i];
        options.options.push_back({item.paymentoptionid, text(item.type), text(item.requireddata)});
        QDEBUG("[PAYMENTCLIENT_1_0] - PaymentOption %s (%d)", options.options.back().type,
               item.paymentoptionid);
        QDEBUG("[PAYMENTCLIENT_1_0]   Data: %s", options.options.back().requiredData);
    }
    return options;
}

bool PaymentClient_1_0::sendPaymentDetails(const wxString& transactionId, int paymentOptionId,
                                           const std::string& clientData)
{
    QDEBUG("[PAYMENTCLIENT_1_0] sendPaymentDetails");
    // A try whose reply was lost may have been charged: the service's state decides.
    if (m_detailsTried.count(transactionId) != 0) {
        const wxString status = getTransactionStatus(transactionId).statusCode;
        if (!status.empty() && status != OPEN_STATUS) {
            QDEBUG("[PAYMENTCLIENT_1_0] Details were taken already (%s): not sent again", status);
            return false;
        }
    }
    m_detailsTried.insert(transactionId);
    Call call(*this, "sendPaymentDetails");
    SoapPayment::payment__sendPaymentDetailsResponse reply;
    call.check(SoapPayment::soap_call_payment__sendPaymentDetails(
        call.context(), call.endpoint(), "", bytes(transactionId), paymentOptionId, clientData,
        reply));
    QDEBUG("[PAYMENTCLIENT_1_0] sendPaymentDetails DONE");
    return true;
}

PaymentClient_1_0::Feedback PaymentClient_1_0::getPaymentFeedback(const wxString& transactionId)
{
    QDEBUG("[PAYMENTCLIENT_1_0] getPaymentFeedback");
    Call call(*this, "getPaymentFeedback");
    SoapPayment::payment__getPaymentFeedbackResponse reply;
    call.check(SoapPayment::soap_call_payment__getPaymentFeedback(call.context(), call.endpoint(),
                                                                  "", bytes(transactionId), reply));
    Feedback feedback{text(reply.transactionstatus), text(reply.extradata)};
    QDEBUG("[PAYMENTCLIENT_1_0] Status: %s", feedback.status);
    QDEBUG("[PAYMENTCLIENT_1_0] Data: %s", feedback.data);
    QDEBUG("[PAYMENTCLIENT_1_0] getPaymentFeedback DONE");
    return feedback;
}

PaymentClient_1_0::TransactionStatus
PaymentClient_1_0::getTransactionStatus(const wxString& transactionId)
{
    Call call(*this, "getTransactionStatus");
    SoapPayment::payment__getTransactionStatusResponse reply;
    call.check(SoapPayment::soap_call_payment__getTransactionStatus(
        call.context(), call.endpoint(), "", bytes(transactionId), reply));
    return {text(reply.statuscode), text(reply.errorcode), text(reply.description)};
}

} // namespace Brenmarle
