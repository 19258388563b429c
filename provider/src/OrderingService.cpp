// The ordering service: sessions, orders created against the portal's current price list and
// re-priced here with the program's own pricing code, the list of pictures still to be
// uploaded (to the provider's own upload endpoint), their registration, verification of the
// accepted total to the cent, a payment transaction when something is to be paid, idempotent
// confirmation and the account's usual pickup location.
//
// The usual pickup location is read and set with the account's credentials or a session's
// (the order-sending flow asks for it before it logs in); every other operation but
// createSession needs the session's credentials ("SESSIONID" and the session id), and every
// order operation the session's order. Something is to be paid when
// the verified total is above zero; for a total of zero getTransactionId answers the fault
// Client.NothingToPay and the order is confirmed without one. Otherwise getTransactionId opens
// one payment transaction for the order on the payment service (PaymentService), and the
// order is confirmed only once that transaction is processed; confirming it acknowledges the
// payment, which keeps the provider's sweep from voiding it.

#include <algorithm>
#include <memory>
#include <set>
#include <utility>

#include "ProviderOrderingH.h"
#include "ProviderRequest.h"
#include "ProviderServer.h"
#include "ordering/Money.h"
#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "ordering/Pricelist.h"
#include "system/Exceptions.h"

using Provider::ProviderRequest;
using Provider::ProviderStore;
using StoredOrder = ProviderStore::StoredOrder;

namespace {

// Where the uploads of an order's pictures go, below the account's upload folder.
const std::string UPLOAD_FOLDER = "orders";

enum class Confirmed { Allowed, Refused };

// The session's order, or a refusal in `status`; with Confirmed::Refused also for an order
// that is confirmed already, as nothing about it may change any more.
std::optional<StoredOrder> requireOrder(struct soap* soap, int& status,
                                        Confirmed confirmed = Confirmed::Allowed)
{
    if (!ProviderRequest::requireSession(soap, status))
        return std::nullopt;
    ProviderRequest& request = ProviderRequest::of(soap);
    auto order = request.store().sessionOrder(request.sessionId());
    if (!order) {
        status = ProviderRequest::clientFault(soap, "NoOrder", "Create an order first");
    } else if (confirmed == Confirmed::Refused && order->state == StoredOrder::Confirmed) {
        status =
            ProviderRequest::clientFault(soap, "OrderConfirmed", "The order is confirmed already");
        order.reset();
    }
    return order;
}

// The current price list of the request's portal; null with a fault in `status`.
std::shared_ptr<const Brenmarle::Pricelist> currentPricelist(struct soap* soap, int& status)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    const auto* portal = request.portal();
    if (!portal || portal->priceListFile.empty()) {
        status = ProviderRequest::serverFault(soap, "NoPriceList", "No price list is configured");
        return nullptr;
    }
    try {
        return Brenmarle::Pricelist::fromXML(request.config().readFile(portal->priceListFile));
    } catch (const std::exception& e) {
        request.log(e.what());
    } catch (const Quorvel::Exception& e) {
        request.log(e.getMessage().utf8_string());
    }
    status = ProviderRequest::serverFault(soap, "PriceList", "The price list could not be read");
    return nullptr;
}

std::string uploadedPath(ProviderRequest& request, const std::string& accountId,
                         const std::string& serverUuid)
{
    return request.server().dataDir() + "/uploads/" + accountId + "/" + UPLOAD_FOLDER + "/" +
           serverUuid;
}

// The pictures of an order, each once, by the reference the client gave (its URI when it
// gave none).
std::vector<ProviderStore::OrderFile> filesOf(const Brenmarle::Order& order)
{
    std::vector<ProviderStore::OrderFile> files;
    std::set<std::pair<std::string, int64_t>> seen;
    for (size_t i = 0; i < order.getPartCount(); ++i) {
        for (const Brenmarle::OrderPartFile& file : order.getPart(i).files) {
            const wxString& ref = file.clientRef.empty() ? file.uri : file.clientRef;
            ProviderStore::OrderFile entry;
            entry.clientRef = ref.utf8_string();
            entry.fileModifyTime = file.fileModifyTime;
            entry.metaModifyTime = file.metaModifyTime;
            if (!entry.clientRef.empty() &&
                seen.insert({entry.clientRef, entry.fileModifyTime}).second)
                files.push_back(entry);
        }
    }
    return files;
}

// The order's pickup locations in the price list.
bool isPickupLocation(const Brenmarle::Pricelist& pricelist, const std::string& location)
{
    return std::any_of(pricelist.deliveryOptions.begin(), pricelist.deliveryOptions.end(),
                       [&](const Brenmarle::DeliveryOption& option) {
                           return option.type == Brenmarle::DeliveryOption::PICKUP &&
                                  !option.pickupLocation.empty() &&
                                  option.pickupLocation.utf8_string() == location;
                       });
}

// A transaction that can still be paid, or confirm its order.
bool isUsable(const std::optional<ProviderStore::Payment>& payment)
{
    return payment && payment->status != "TR_FAILED" && payment->status != "TR_ABORTED" &&
           payment->status != "TR_VOIDED" && payment->status != "TR_REFUNDED";
}

ProviderOrdering::ordering__FileId* newFileId(struct soap* soap,
                                              const ProviderStore::OrderFile& file)
{
    auto* id = ProviderOrdering::soap_new_ordering__FileId(soap);
    id->serveruuid = file.serverUuid;
    id->clientref = file.clientRef;
    id->filemodifytime = static_cast<time_t>(file.fileModifyTime);
    id->metamodifytime = static_cast<time_t>(file.metaModifyTime);
    return id;
}

} // namespace

int ProviderOrdering::ordering__createSession(struct soap* soap,
                                              ordering__createSessionResponse& result)
{
    return ProviderRequest::createSession(soap, result.sessionid);
}

int ProviderOrdering::ordering__closeSession(struct soap* soap, ordering__closeSessionResponse&)
{
    return ProviderRequest::closeSession(soap);
}

int ProviderOrdering::ordering__createOrder(struct soap* soap, std::string pricelistid,
                                            ordering__createOrderResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"pricelistid", pricelistid}});
    int status = SOAP_OK;
    const auto account = ProviderRequest::requireSession(soap, status);
    if (!account)
        return status;
    const auto pricelist = currentPricelist(soap, status);
    if (!pricelist)
        return status;
    // An order priced against a list the shop no longer uses would be priced wrongly.
    if (pricelist->uuid.utf8_string() != pricelistid)
        return ProviderRequest::clientFault(soap, "PriceListOutdated",
                                            "The price list has been updated");
    result.orderid = request.store().createOrder(account->id, request.sessionId(), pricelistid);
    request.log("Created order " + result.orderid);
    return SOAP_OK;
}

int ProviderOrdering::ordering__uploadOrderDetails(struct soap* soap, std::string orderdetailsxml,
                                                   ordering__uploadOrderDetailsResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"orderdetailsxml", std::to_string(orderdetailsxml.size()) + " bytes"}});
    int status = SOAP_OK;
    const auto stored = requireOrder(soap, status, Confirmed::Refused);
    if (!stored)
        return status;
    const auto pricelist = currentPricelist(soap, status);
    if (!pricelist)
        return status;
    std::unique_ptr<Brenmarle::Order> order;
    try {
        order = Brenmarle::Order::fromXML(orderdetailsxml);
    } catch (const Quorvel::Exception& e) {
        return ProviderRequest::clientFault(soap, "InvalidOrder", e.getMessage().utf8_string());
    }
    if (order->getPartCount() == 0)
        return ProviderRequest::clientFault(soap, "InvalidOrder", "The order has no parts");
    // The client's own amounts are not trusted: the order is priced again here, with the same
    // code the program prices it with.
    std::optional<Brenmarle::Money> total;
    try {
        if (order->calculate(false, pricelist.get()))
            total = order->getPricedTotal();
    } catch (const Quorvel::Exception& e) {
        return ProviderRequest::clientFault(soap, "Pricing", e.getMessage().utf8_string());
    }
    if (!total)
        return ProviderRequest::clientFault(soap, "Pricing",
                                            order->getPricingFailure().utf8_string());
    request.store().setOrderDetails(stored->id, orderdetailsxml, total->units(), filesOf(*order));
    result.ordertotal = total->roundedTo(2).toDouble();
    return SOAP_OK;
}

int ProviderOrdering::ordering__getFileUploadList(struct soap* soap,
                                                  ordering__getFileUploadListResponse& result)
{
    int status = SOAP_OK;
    const auto order = requireOrder(soap, status);
    if (!order)
        return status;
    ProviderRequest& request = ProviderRequest::of(soap);
    std::vector<ProviderStore::OrderFile> missing;
    for (const auto& file : request.store().orderFiles(order->id))
        if (!file.held)
            missing.push_back(file);
    result.uploadlist = soap_new_FileUploadArray(soap);
    result.uploadlist->__size = static_cast<int>(missing.size());
    result.uploadlist->__ptr =
        missing.empty() ? nullptr : soap_new_ordering__FileUpload(soap, result.uploadlist->__size);
    for (size_t i = 0; i < missing.size(); ++i) {
        ordering__FileUpload& entry = result.uploadlist->__ptr[i];
        entry.uploadurl = request.address("/upload/" + UPLOAD_FOLDER + "/" + missing[i].serverUuid);
        entry.fileid = newFileId(soap, missing[i]);
    }
    return SOAP_OK;
}

int ProviderOrdering::ordering__registerFile(struct soap* soap, ordering__FileId* fileid,
                                             ordering__FileInfo* fileinfo, bool uploaded,
                                             ordering__registerFileResponse&)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"serveruuid", fileid ? fileid->serveruuid : std::string()},
                       {"clientref", fileid ? fileid->clientref : std::string()},
                       {"uploaded", uploaded ? "true" : "false"}});
    int status = SOAP_OK;
    const auto order = requireOrder(soap, status);
    if (!order)
        return status;
    if (!fileid || !fileinfo)
        return ProviderRequest::clientFault(soap, "MissingData", "No file id or file information");
    const auto files = request.store().orderFiles(order->id);
    const auto file = std::find_if(files.begin(), files.end(), [&](const auto& candidate) {
        return candidate.serverUuid == fileid->serveruuid;
    });
    if (file == files.end())
        return ProviderRequest::clientFault(soap, "UnknownFile",
                                            "The order has no file " + fileid->serveruuid);
    const std::string path = uploadedPath(request, order->accountId, file->serverUuid);
    const auto bytes = ProviderRequest::requireUploaded(soap, status, path, uploaded,
                                                        fileinfo->filesize, file->clientRef);
    if (!bytes)
        return status;
    // The upload endpoint kept the file only when its MD5 matched: it is not read again here.
    request.store().holdFile(order->accountId, *file, *bytes);
    return SOAP_OK;
}

int ProviderOrdering::ordering__getSafeStorageCandidates(
    struct soap* soap, ordering__getSafeStorageCandidatesResponse& result)
{
    int status = SOAP_OK;
    const auto order = requireOrder(soap, status);
    if (!order)
        return status;
    // This provider offers no safe storage: every file of the order is outside it.
    result.offerstorage = false;
    result.slotsize = 0;
    const auto files = ProviderRequest::of(soap).store().orderFiles(order->id);
    result.unsafefiles = soap_new_FileIdArray(soap);
    result.unsafefiles->__size = static_cast<int>(files.size());
    result.unsafefiles->__ptr =
        files.empty() ? nullptr : soap_new_ordering__FileId(soap, result.unsafefiles->__size);
    for (size_t i = 0; i < files.size(); ++i)
        result.unsafefiles->__ptr[i] = *newFileId(soap, files[i]);
    result.rentedfiles = soap_new_FileIdArray(soap);
    result.rentedfiles->__size = 0;
    result.rentedfiles->__ptr = nullptr;
    return SOAP_OK;
}

int ProviderOrdering::ordering__verifyOrder(struct soap* soap, double totalprice,
                                            ordering__verifyOrderResponse&)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"totalprice", std::to_string(totalprice)}});
    int status = SOAP_OK;
    const auto order = requireOrder(soap, status, Confirmed::Refused);
    if (!order)
        return status;
    if (order->state == StoredOrder::Created)
        return ProviderRequest::clientFault(soap, "NoOrderDetails",
                                            "Upload the order details first");
    for (const auto& file : request.store().orderFiles(order->id))
        if (!file.held)
            return ProviderRequest::clientFault(soap, "FilesMissing",
                                                "A file of the order has not been uploaded: " +
                                                    file.clientRef);
    // To the cent: the total the user accepted against the one priced here.
    const auto accepted = Brenmarle::Money::fromDouble(totalprice);
    const auto priced = Brenmarle::Money::fromUnits(order->totalUnits).roundedTo(2);
    if (!accepted || accepted->roundedTo(2) != priced)
        return ProviderRequest::clientFault(soap, "TotalMismatch",
                                            "The order total is " + priced.toString() + ", not " +
                                                std::to_string(totalprice));
    request.store().setOrderState(order->id, StoredOrder::Verified);
    return SOAP_OK;
}

int ProviderOrdering::ordering__getTransactionId(struct soap* soap,
                                                 ordering__getTransactionIdResponse& result)
{
    int status = SOAP_OK;
    const auto order = requireOrder(soap, status, Confirmed::Refused);
    if (!order)
        return status;
    if (order->state != StoredOrder::Verified)
        return ProviderRequest::clientFault(soap, "NotVerified", "Verify the order first");
    if (order->totalUnits <= 0)
        return ProviderRequest::clientFault(soap, "NothingToPay", "Nothing is to be paid");
    ProviderRequest& request = ProviderRequest::of(soap);
    // One transaction per order: asking again gives the same one, until it has failed or
    // been voided and a new try needs a new one.
    std::string transaction = order->transactionId;
    if (transaction.empty() || !isUsable(request.store().findPayment(transaction))) {
        const auto pricelist = currentPricelist(soap, status);
        if (!pricelist)
            return status;
        ProviderStore::Payment payment;
        payment.orderId = order->id;
        // What the payer is charged is the verified total to the cent.
        payment.amountUnits = Brenmarle::Money::fromUnits(order->totalUnits).roundedTo(2).units();
        payment.currency = pricelist->currencyCode.utf8_string();
        payment.description = "Order " + order->id;
        payment.merchantData = order->id;
        transaction = request.store().createPayment(payment);
        request.store().setOrderState(order->id, StoredOrder::Verified, transaction);
    }
    result.transactionid = transaction;
    result.paymentserver = request.paymentServer();
    return SOAP_OK;
}

int ProviderOrdering::ordering__confirmOrder(struct soap* soap,
                                             ordering__confirmOrderResponse& result)
{
    int status = SOAP_OK;
    const auto order = requireOrder(soap, status);
    if (!order)
        return status;
    if (order->state != StoredOrder::Verified && order->state != StoredOrder::Confirmed)
        return ProviderRequest::clientFault(soap, "NotVerified", "Verify the order first");
    ProviderRequest& request = ProviderRequest::of(soap);
    if (order->state == StoredOrder::Verified && order->totalUnits > 0 &&
        (order->transactionId.empty() || !request.store().acknowledgePayment(order->transactionId)))
        return ProviderRequest::clientFault(soap, "NotPaid", "The order has not been paid");
    result.orderid = request.store().confirmOrder(order->id);
    request.log("Confirmed order " + result.orderid);
    return SOAP_OK;
}

int ProviderOrdering::ordering__getDefaultPickupLocation(
    struct soap* soap, ordering__getDefaultPickupLocationResponse& result)
{
    int status = SOAP_OK;
    if (const auto account = ProviderRequest::of(soap).requireAccount(status))
        result.pickuplocation =
            ProviderRequest::of(soap).store().defaultPickupLocation(account->id);
    return status;
}

int ProviderOrdering::ordering__setDefaultPickupLocation(
    struct soap* soap, std::string pickuplocation, ordering__setDefaultPickupLocationResponse&)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"pickuplocation", pickuplocation}});
    int status = SOAP_OK;
    const auto account = request.requireAccount(status);
    if (!account)
        return status;
    const auto pricelist = currentPricelist(soap, status);
    if (!pricelist)
        return status;
    if (!isPickupLocation(*pricelist, pickuplocation))
        return ProviderRequest::clientFault(soap, "UnknownPickupLocation",
                                            "No such pickup location: " + pickuplocation);
    request.store().setDefaultPickupLocation(account->id, pickuplocation);
    return SOAP_OK;
}

int ProviderOrdering::ordering__downloadPriceList(struct soap* soap,
                                                  ordering__downloadPriceListResponse& result)
{
    int status = SOAP_OK;
    if (!ProviderRequest::requireSession(soap, status))
        return status;
    ProviderRequest& request = ProviderRequest::of(soap);
    const auto* portal = request.portal();
    if (!portal || portal->priceListFile.empty())
        return ProviderRequest::serverFault(soap, "NoPriceList", "No price list is configured");
    result.pricelistxml = request.config().readFile(portal->priceListFile);
    return SOAP_OK;
}

int ProviderOrdering::ordering__uploadPriceList(struct soap* soap, std::string,
                                                ordering__uploadPriceListResponse&)
{
    // Price lists are the operator's, set in the configuration.
    return ProviderRequest::clientFault(soap, "NotAllowed", "Price lists cannot be uploaded");
}
