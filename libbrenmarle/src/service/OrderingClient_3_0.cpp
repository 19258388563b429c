#include "service/OrderingClient_3_0.h"

#include <limits>
#include <optional>

#include <wx/intl.h>

#include "SoapOrderingH.h"
#include "ordering/Money.h"
#include "service/HTTPClient.h"
#include "service/RpasWire.h"
#include "service/SoapText.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

constexpr auto* text = &Quorvel::SoapText::fromWire;
constexpr auto* bytes = &Quorvel::SoapText::toWire;

std::vector<OrderingClient_3_0::FileId> fromWire(const SoapOrdering::FileIdArray* ids)
{
    std::vector<OrderingClient_3_0::FileId> list;
    for (int i = 0; ids && ids->__ptr && i < ids->__size; ++i)
        list.push_back(RpasWire::fromWire(ids->__ptr[i]));
    return list;
}

} // namespace

OrderingClient_3_0::OrderingClient_3_0(Quorvel::NetworkSettings& settings)
    : RpasClient_3_0("ordering", SERVICE_PATH, settings)
{
}

OrderingClient_3_0::OrderingClient_3_0() : RpasClient_3_0("ordering", SERVICE_PATH) {}

OrderingClient_3_0::~OrderingClient_3_0() = default;

Quorvel::Ref<OrderingClient_3_0> OrderingClient_3_0::inSameSession() const
{
    auto client = Quorvel::makeRef<OrderingClient_3_0>(getSettings());
    client->setAddress(getAddress());
    return client;
}

void OrderingClient_3_0::succeeded() const
{
    QDEBUG("[ORDERCLIENT_3_0] Call was successful");
}

int64_t OrderingClient_3_0::toCents(double amount)
{
    // Through Money, as the order's own amounts: 2.675 (a double a hair below) is 268 cents,
    // as the price list shows it, not the 267 a plain llround(amount * 100) gives.
    const std::optional<Money> money = Money::fromDouble(amount);
    if (!money)
        throw AmountOutOfRangeException(_("Amount out of range"));
    return money->roundedTo(2).units() / (Money::UNITS_PER_WHOLE / 100);
}

wxString OrderingClient_3_0::createSession()
{
    wxString sessionId;
    {
        Call call(*this, "createSession");
        SoapOrdering::ordering__createSessionResponse reply;
        call.check(SoapOrdering::soap_call_ordering__createSession(call.context(), call.endpoint(),
                                                                   "", reply));
        sessionId = text(reply.sessionid);
    }
    if (sessionId.empty())
        throw Quorvel::ResponseException(_("Missing session id"));
    useSession(sessionId);
    succeeded();
    return sessionId;
}

void OrderingClient_3_0::closeSession()
{
    Call call(*this, "closeSession");
    SoapOrdering::ordering__closeSessionResponse reply;
    call.check(
        SoapOrdering::soap_call_ordering__closeSession(call.context(), call.endpoint(), "", reply));
    succeeded();
}

wxString OrderingClient_3_0::createOrder(const wxString& pricelistId)
{
    Call call(*this, "createOrder");
    SoapOrdering::ordering__createOrderResponse reply;
    call.check(SoapOrdering::soap_call_ordering__createOrder(call.context(), call.endpoint(), "",
                                                             bytes(pricelistId), reply));
    const wxString orderId = text(reply.orderid);
    QDEBUG("[ORDERCLIENT_3_0] Created order %s", orderId);
    return orderId;
}

double OrderingClient_3_0::uploadOrderDetails(const std::string& orderDetailsXml)
{
    Call call(*this, "uploadOrderDetails");
    SoapOrdering::ordering__uploadOrderDetailsResponse reply;
    call.check(SoapOrdering::soap_call_ordering__uploadOrderDetails(call.context(), call.endpoint(),
                                                                    "", orderDetailsXml, reply));
    succeeded();
    return reply.ordertotal;
}

std::vector<OrderingClient_3_0::FileUpload> OrderingClient_3_0::getFileUploadList()
{
    Call call(*this, "getFileUploadList");
    SoapOrdering::ordering__getFileUploadListResponse reply;
    call.check(SoapOrdering::soap_call_ordering__getFileUploadList(call.context(), call.endpoint(),
                                                                   "", reply));
    std::vector<FileUpload> list;
    const SoapOrdering::FileUploadArray* uploads = reply.uploadlist;
    for (int i = 0; uploads && uploads->__ptr && i < uploads->__size; ++i) {
        const SoapOrdering::ordering__FileUpload& entry = uploads->__ptr[i];
        if (!entry.fileid)
            throw Quorvel::ResponseException(_("Missing file id in upload list"));
        list.push_back({text(entry.uploadurl), RpasWire::fromWire(*entry.fileid)});
    }
    succeeded();
    return list;
}

void OrderingClient_3_0::registerFile(const FileId& fileId, const FileInfo& info, bool uploaded)
{
    Call call(*this, "registerFile");
    auto id = RpasWire::toWire<SoapOrdering::ordering__FileId>(fileId);
    RpasWire::SentInfo<SoapOrdering::ordering__FileInfo, SoapOrdering::ordering__TimeMask,
                       SoapOrdering::StringArray>
        sent(info);
    SoapOrdering::ordering__registerFileResponse reply;
    call.check(SoapOrdering::soap_call_ordering__registerFile(call.context(), call.endpoint(), "",
                                                              &id, sent.get(), uploaded, reply));
    succeeded();
}

OrderingClient_3_0::SafeStorageCandidates OrderingClient_3_0::getSafeStorageCandidates()
{
    Call call(*this, "getSafeStorageCandidates");
    SoapOrdering::ordering__getSafeStorageCandidatesResponse reply;
    call.check(SoapOrdering::soap_call_ordering__getSafeStorageCandidates(
        call.context(), call.endpoint(), "", reply));
    SafeStorageCandidates candidates;
    candidates.offerStorage = reply.offerstorage;
    candidates.slotSize = reply.slotsize;
    candidates.unsafeFiles = fromWire(reply.unsafefiles);
    candidates.rentedFiles = fromWire(reply.rentedfiles);
    succeeded();
    return candidates;
}

void OrderingClient_3_0::verifyOrder(double totalPrice)
{
    // The cents the user saw, not a double's tail the service would round otherwise.
    const double sent = static_cast<double>(toCents(totalPrice)) / 100;
    Call call(*this, "verifyOrder");
    SoapOrdering::ordering__verifyOrderResponse reply;
    call.check(SoapOrdering::soap_call_ordering__verifyOrder(call.context(), call.endpoint(), "",
                                                             sent, reply));
    succeeded();
}

OrderingClient_3_0::Transaction OrderingClient_3_0::getTransactionId()
{
    Call call(*this, "getTransactionId");
    SoapOrdering::ordering__getTransactionIdResponse reply;
    call.check(SoapOrdering::soap_call_ordering__getTransactionId(call.context(), call.endpoint(),
                                                                  "", reply));
    Transaction transaction{text(reply.paymentserver), text(reply.transactionid)};
    QDEBUG("[ORDERCLIENT_3_0] Got transaction id %s!", transaction.transactionId);
    return transaction;
}

wxString OrderingClient_3_0::confirmOrder()
{
    Call call(*this, "confirmOrder");
    SoapOrdering::ordering__confirmOrderResponse reply;
    call.check(
        SoapOrdering::soap_call_ordering__confirmOrder(call.context(), call.endpoint(), "", reply));
    QDEBUG("[ORDERCLIENT_3_0] Confirmed order!");
    return text(reply.orderid);
}

wxString OrderingClient_3_0::getDefaultPickupLocation()
{
    Call call(*this, "getDefaultPickupLocation");
    SoapOrdering::ordering__getDefaultPickupLocationResponse reply;
    call.check(SoapOrdering::soap_call_ordering__getDefaultPickupLocation(
        call.context(), call.endpoint(), "", reply));
    succeeded();
    return text(reply.pickuplocation);
}

void OrderingClient_3_0::setDefaultPickupLocation(const wxString& pickupLocation)
{
    Call call(*this, "setDefaultPickupLocation");
    SoapOrdering::ordering__setDefaultPickupLocationResponse reply;
    call.check(SoapOrdering::soap_call_ordering__setDefaultPickupLocation(
        call.context(), call.endpoint(), "", bytes(pickupLocation), reply));
    succeeded();
}

void OrderingClient_3_0::uploadFile(Quorvel::HTTPClient& http, const wxString& path,
                                    const wxString& url, const wxString& md5)
{
    RpasClient_3_0::uploadFile(http, path, url, _("Error before uploading file to ordering"), md5);
}

} // namespace Brenmarle
