// The payment service, on the provider's HTTPS port: one transaction per order, opened by the
// ordering service (getTransactionId) for the verified total, or by a merchant
// (createTransaction). The payer lists the options, sends the details once and polls for the
// outcome; how a payment ends is the fault script's choice ("outcome KIND [POLLS]"), processed
// at once without one.
//
// Sending the details again (a client retrying after its reply was lost) charges nothing more:
// the transaction keeps the outcome of the first details. The card data is checked and then
// dropped: the store keeps only the option, the journal withholds clientdata.
//
// A transaction not confirmed by its order within the configured hold is voided by the
// provider's sweep (ProviderServer), so money taken for an order that never went through goes
// back. The merchant operations (find, details, acknowledge, refund, void) need the merchant id
// of the configuration.

#include <algorithm>
#include <cmath>
#include <optional>

#include "ProviderPaymentH.h"
#include "ProviderRequest.h"
#include "ProviderServer.h"
#include "service/PaymentData.h"

using Brenmarle::PaymentData;
using Provider::FaultScript;
using Provider::ProviderRequest;
using Provider::ProviderStore;
using Payment = ProviderStore::Payment;

namespace {

struct Option {
    int id;
    const char* type;
    const char* requiredData;
};

const Option OPTIONS[] = {
    {1, PaymentData::CREDIT_CARD, "cardholder,cardnumber,expiry,cvc"},
    {2, PaymentData::INVOICE, "name,address1,address2,postalcode,city"},
};

const double UNITS_PER_WHOLE = 1e6;

float amountOf(int64_t units)
{
    return static_cast<float>(static_cast<double>(units) / UNITS_PER_WHOLE);
}

// The transaction named, or a fault in `status`.
std::optional<Payment> requirePayment(struct soap* soap, const std::string& id, int& status)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"transactionid", id}});
    auto payment = request.store().findPayment(id);
    if (!payment)
        status = ProviderRequest::clientFault(soap, "UnknownTransaction", "No such transaction");
    return payment;
}

// The merchant's transaction, or a fault in `status`.
std::optional<Payment> requireMerchant(struct soap* soap, const std::string& merchantId,
                                       const std::string& id, int& status)
{
    if (merchantId != ProviderRequest::of(soap).config().merchantId) {
        status = ProviderRequest::clientFault(soap, "UnknownMerchant", "No such merchant");
        return std::nullopt;
    }
    return requirePayment(soap, id, status);
}

bool isMerchant(struct soap* soap, const std::string& merchantId)
{
    return merchantId == ProviderRequest::of(soap).config().merchantId;
}

ProviderPayment::payment__Transaction* newTransaction(struct soap* soap, const Payment& payment)
{
    auto* transaction = ProviderPayment::soap_new_payment__Transaction(soap);
    transaction->transactionid = payment.id;
    transaction->paymentoptionid = payment.optionId;
    transaction->status = payment.status;
    transaction->amount = amountOf(payment.amountUnits);
    transaction->currency = payment.currency;
    transaction->allowcredit = false;
    transaction->merchantdata = payment.merchantData;
    transaction->description = payment.description;
    transaction->type = "";
    for (const Option& option : OPTIONS)
        if (option.id == payment.optionId)
            transaction->type = option.type;
    transaction->acknowledged = payment.acknowledged;
    return transaction;
}

ProviderPayment::TransactionArray* newTransactions(struct soap* soap,
                                                   const std::vector<Payment>& payments)
{
    auto* array = ProviderPayment::soap_new_TransactionArray(soap);
    array->__size = static_cast<int>(payments.size());
    array->__ptr = payments.empty()
                       ? nullptr
                       : ProviderPayment::soap_new_payment__Transaction(soap, array->__size);
    for (size_t i = 0; i < payments.size(); ++i)
        array->__ptr[i] = *newTransaction(soap, payments[i]);
    return array;
}

Payment::Outcome outcomeOf(const FaultScript::Action& action)
{
    switch (action.payment) {
    case FaultScript::Action::Failed:
        return Payment::Failed;
    case FaultScript::Action::Aborted:
        return Payment::Aborted;
    case FaultScript::Action::AuthClient:
        return Payment::AuthClient;
    case FaultScript::Action::Pending:
        return Payment::Pending;
    case FaultScript::Action::Processed:
        break;
    }
    return Payment::Processed;
}

} // namespace

int ProviderPayment::payment__createTransaction(struct soap* soap, std::string merchantid,
                                                payment__Transaction* transaction,
                                                payment__createTransactionResponse& result)
{
    if (!isMerchant(soap, merchantid))
        return ProviderRequest::clientFault(soap, "UnknownMerchant", "No such merchant");
    if (!transaction || !std::isfinite(transaction->amount) || transaction->amount <= 0 ||
        transaction->currency.empty())
        return ProviderRequest::clientFault(soap, "InvalidTransaction",
                                            "A transaction needs an amount above 0 and a currency");
    Payment payment;
    payment.amountUnits = std::llround(static_cast<double>(transaction->amount) * 100) * 10000;
    payment.currency = transaction->currency;
    payment.merchantData = transaction->merchantdata;
    payment.description = transaction->description;
    result.transactionid = ProviderRequest::of(soap).store().createPayment(payment);
    return SOAP_OK;
}

int ProviderPayment::payment__getPaymentOptions(struct soap* soap, std::string transactionid,
                                                std::string language,
                                                payment__getPaymentOptionsResponse& result)
{
    ProviderRequest::of(soap).arguments({{"language", language}});
    int status = SOAP_OK;
    const auto payment = requirePayment(soap, transactionid, status);
    if (!payment)
        return status;
    result.paymentoptions = soap_new_PaymentOptionArray(soap);
    result.paymentoptions->__size = static_cast<int>(std::size(OPTIONS));
    result.paymentoptions->__ptr =
        soap_new_payment__PaymentOption(soap, result.paymentoptions->__size);
    for (size_t i = 0; i < std::size(OPTIONS); ++i) {
        result.paymentoptions->__ptr[i].paymentoptionid = OPTIONS[i].id;
        result.paymentoptions->__ptr[i].type = OPTIONS[i].type;
        result.paymentoptions->__ptr[i].requireddata = OPTIONS[i].requiredData;
    }
    result.description = payment->description;
    result.amount = amountOf(payment->amountUnits);
    result.currency = payment->currency;
    return SOAP_OK;
}

int ProviderPayment::payment__sendPaymentDetails(struct soap* soap, std::string transactionid,
                                                 int paymentoptionid, std::string clientdata,
                                                 payment__sendPaymentDetailsResponse&)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments(
        {{"paymentoptionid", std::to_string(paymentoptionid)}, {"clientdata", clientdata}});
    int status = SOAP_OK;
    const auto payment = requirePayment(soap, transactionid, status);
    if (!payment)
        return status;
    if (payment->status != "TR_OPEN") {
        // Details sent again: the first ones stand, whatever came now.
        if (payment->status == "TR_VOIDED" || payment->status == "TR_REFUNDED")
            return ProviderRequest::clientFault(
                soap, "TransactionClosed",
                "The transaction has been " +
                    std::string(payment->status == "TR_VOIDED" ? "voided" : "refunded"));
        request.log("Payment details for " + transactionid + " again: nothing charged");
        return SOAP_OK;
    }
    const auto option = std::find_if(std::begin(OPTIONS), std::end(OPTIONS),
                                     [&](const Option& o) { return o.id == paymentoptionid; });
    if (option == std::end(OPTIONS))
        return ProviderRequest::clientFault(soap, "UnknownPaymentOption", "No such payment option");
    const auto data = PaymentData::fromText(clientdata);
    const std::string problem =
        data ? data->problem(option->type, PaymentData::requiredFields(option->requiredData))
             : std::string("Malformed payment data");
    if (!problem.empty())
        return ProviderRequest::clientFault(soap, "InvalidPaymentData", problem);
    Payment::Outcome outcome = Payment::Processed;
    int polls = 0;
    if (const auto& injected = request.injected();
        injected && injected->kind == FaultScript::Action::Outcome) {
        outcome = outcomeOf(*injected);
        polls = static_cast<int>(injected->amount);
    }
    request.store().takePaymentDetails(transactionid, paymentoptionid, outcome, polls);
    return SOAP_OK;
}

int ProviderPayment::payment__getPaymentFeedback(struct soap* soap, std::string transactionid,
                                                 payment__getPaymentFeedbackResponse& result)
{
    int status = SOAP_OK;
    if (!requirePayment(soap, transactionid, status))
        return status;
    ProviderRequest& request = ProviderRequest::of(soap);
    const Payment payment = request.store().pollPayment(transactionid);
    result.transactionstatus = payment.status;
    // Where the payer completes the issuer's check.
    result.extradata = payment.status == "TR_AUTH_CLIENT"
                           ? request.address("/payment/issuer/" + transactionid)
                           : std::string();
    return SOAP_OK;
}

int ProviderPayment::payment__getTransactionStatus(struct soap* soap, std::string transactionid,
                                                   payment__getTransactionStatusResponse& result)
{
    int status = SOAP_OK;
    const auto payment = requirePayment(soap, transactionid, status);
    if (!payment)
        return status;
    result.statuscode = payment->status;
    result.errorcode = payment->errorCode;
    result.description = payment->errorText;
    return SOAP_OK;
}

int ProviderPayment::payment__findTransactions(struct soap* soap, std::string merchantid,
                                               std::string searchtext, time_t aftertime,
                                               time_t beforetime, std::string status,
                                               std::string currency, float minamount,
                                               float maxamount,
                                               payment__findTransactionsResponse& result)
{
    if (!isMerchant(soap, merchantid))
        return ProviderRequest::clientFault(soap, "UnknownMerchant", "No such merchant");
    std::vector<Payment> found;
    for (const Payment& payment : ProviderRequest::of(soap).store().findPayments(std::nullopt)) {
        const float amount = amountOf(payment.amountUnits);
        const bool text = searchtext.empty() ||
                          payment.description.find(searchtext) != std::string::npos ||
                          payment.merchantData.find(searchtext) != std::string::npos;
        if (text && (aftertime <= 0 || payment.created >= aftertime) &&
            (beforetime <= 0 || payment.created < beforetime) &&
            (status.empty() || payment.status == status) &&
            (currency.empty() || payment.currency == currency) && amount >= minamount &&
            (maxamount <= 0 || amount <= maxamount))
            found.push_back(payment);
    }
    result.transactions = newTransactions(soap, found);
    return SOAP_OK;
}

int ProviderPayment::payment__findTransactionsByMerchantData(
    struct soap* soap, std::string merchantid, std::string merchantdata,
    payment__findTransactionsByMerchantDataResponse& result)
{
    if (!isMerchant(soap, merchantid))
        return ProviderRequest::clientFault(soap, "UnknownMerchant", "No such merchant");
    result.transactions =
        newTransactions(soap, ProviderRequest::of(soap).store().findPayments(merchantdata));
    return SOAP_OK;
}

int ProviderPayment::payment__getTransactionDetails(struct soap* soap, std::string merchantid,
                                                    std::string transactionid,
                                                    payment__getTransactionDetailsResponse& result)
{
    int status = SOAP_OK;
    const auto payment = requireMerchant(soap, merchantid, transactionid, status);
    if (!payment)
        return status;
    result.transaction = newTransaction(soap, *payment);
    const auto log = ProviderRequest::of(soap).store().paymentLog(transactionid);
    result.logentries = soap_new_LogEntryArray(soap);
    result.logentries->__size = static_cast<int>(log.size());
    result.logentries->__ptr =
        log.empty() ? nullptr : soap_new_payment__LogEntry(soap, result.logentries->__size);
    for (size_t i = 0; i < log.size(); ++i) {
        payment__LogEntry& entry = result.logentries->__ptr[i];
        entry.id = log[i].id;
        entry.timestamp = log[i].time;
        entry.description = log[i].description;
        entry.oldstatus = log[i].oldStatus;
        entry.newstatus = log[i].newStatus;
        entry.errorcode = log[i].errorCode;
    }
    return SOAP_OK;
}

int ProviderPayment::payment__acknowledgeTransaction(struct soap* soap, std::string merchantid,
                                                     std::string transactionid,
                                                     payment__acknowledgeTransactionResponse&)
{
    int status = SOAP_OK;
    if (!requireMerchant(soap, merchantid, transactionid, status))
        return status;
    if (!ProviderRequest::of(soap).store().acknowledgePayment(transactionid))
        return ProviderRequest::clientFault(soap, "NotProcessed",
                                            "Only a processed transaction is acknowledged");
    return SOAP_OK;
}

int ProviderPayment::payment__refundTransaction(struct soap* soap, std::string merchantid,
                                                std::string transactionid,
                                                payment__refundTransactionResponse&)
{
    int status = SOAP_OK;
    if (!requireMerchant(soap, merchantid, transactionid, status))
        return status;
    ProviderStore& store = ProviderRequest::of(soap).store();
    // A refund gives back what was taken, confirmed or not.
    if (!store.changePaymentStatus(transactionid, {"TR_PROCESSED"}, "TR_REFUNDED", "Refunded",
                                   true) &&
        !store.changePaymentStatus(transactionid, {"TR_PROCESSED"}, "TR_REFUNDED", "Refunded",
                                   false))
        return ProviderRequest::clientFault(soap, "NotRefundable",
                                            "Only a processed transaction is refunded");
    return SOAP_OK;
}

int ProviderPayment::payment__voidTransaction(struct soap* soap, std::string transactionid,
                                              std::string merchantid,
                                              payment__voidTransactionResponse&)
{
    int status = SOAP_OK;
    if (!requireMerchant(soap, merchantid, transactionid, status))
        return status;
    // Once confirmed, money goes back by a refund.
    if (!ProviderRequest::of(soap).store().changePaymentStatus(
            transactionid, {"TR_OPEN", "TR_PENDING", "TR_AUTH_CLIENT", "TR_PROCESSED"}, "TR_VOIDED",
            "Voided by the merchant"))
        return ProviderRequest::clientFault(soap, "NotVoidable",
                                            "The transaction is acknowledged or closed");
    return SOAP_OK;
}

namespace {

template <typename Response>
int resultOf(struct soap* soap, const std::string& merchantId, const std::string& id,
             Response& result)
{
    int status = SOAP_OK;
    const auto payment = requireMerchant(soap, merchantId, id, status);
    if (!payment)
        return status;
    result.transactionstatus = payment->status;
    result.amount = amountOf(payment->amountUnits);
    result.currency = payment->currency;
    return SOAP_OK;
}

} // namespace

int ProviderPayment::payment__getRefundResult(struct soap* soap, std::string merchantid,
                                              std::string transactionid,
                                              payment__getRefundResultResponse& result)
{
    return resultOf(soap, merchantid, transactionid, result);
}

int ProviderPayment::payment__getVoidResult(struct soap* soap, std::string merchantid,
                                            std::string transactionid,
                                            payment__getVoidResultResponse& result)
{
    return resultOf(soap, merchantid, transactionid, result);
}
