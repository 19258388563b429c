#include "service/PaymentClient_1_0_Task.h"

#include <wx/intl.h>

#include <openssl/crypto.h>

#include "service/OrderingClient_3_0.h"
#include "system/Exceptions.h"

namespace Brenmarle {

PaymentClient_1_0_Task::TaskRef
PaymentClient_1_0_Task::getPaymentOptions(const Client& client, const wxString& transactionId,
                                          const wxString& language, double verifiedTotal,
                                          const wxString& currency)
{
    if (transactionId.empty() || language.empty())
        unknownOperation(wxS("getPaymentOptions needs a transaction id and a language"));
    auto task = Quorvel::makeRef<PaymentClient_1_0_Task>(client, GET_PAYMENT_OPTIONS);
    task->transactionId = transactionId;
    task->language = language;
    task->verifiedTotal = verifiedTotal;
    task->currency = currency;
    return task;
}

PaymentClient_1_0_Task::TaskRef
PaymentClient_1_0_Task::sendPaymentDetails(const Client& client, const wxString& transactionId,
                                           int paymentOptionId, const std::string& clientData)
{
    if (transactionId.empty() || paymentOptionId <= 0)
        unknownOperation(wxS("sendPaymentDetails needs a transaction id and a payment option"));
    auto task = Quorvel::makeRef<PaymentClient_1_0_Task>(client, SEND_PAYMENT_DETAILS);
    task->transactionId = transactionId;
    task->paymentOptionId = paymentOptionId;
    task->m_clientData = clientData;
    return task;
}

PaymentClient_1_0_Task::TaskRef
PaymentClient_1_0_Task::getPaymentFeedback(const Client& client, const wxString& transactionId,
                                           bool authReported)
{
    if (transactionId.empty())
        unknownOperation(wxS("getPaymentFeedback needs a transaction id"));
    auto task = Quorvel::makeRef<PaymentClient_1_0_Task>(client, GET_PAYMENT_FEEDBACK);
    task->transactionId = transactionId;
    task->authReported = authReported;
    return task;
}

PaymentClient_1_0_Task::PaymentClient_1_0_Task(const Client& client, int operation)
    : ServiceTask(client, operation, wxS("PAYMENTCLIENT_1_0_Task"))
{
}

PaymentClient_1_0_Task::~PaymentClient_1_0_Task()
{
    wipeClientData();
}

void PaymentClient_1_0_Task::wipeClientData()
{
    if (!m_clientData.empty())
        OPENSSL_cleanse(m_clientData.data(), m_clientData.size());
    m_clientData.clear();
    m_clientData.shrink_to_fit();
}

void PaymentClient_1_0_Task::runOperation(int operation)
{
    switch (operation) {
    case GET_PAYMENT_OPTIONS:
        options = getClient().getPaymentOptions(transactionId, language);
        checkOptions();
        break;
    case SEND_PAYMENT_DETAILS: {
        struct Wipe {
            PaymentClient_1_0_Task& task;
            ~Wipe() { task.wipeClientData(); }
        } wipe{*this};
        detailsSent = getClient().sendPaymentDetails(transactionId, paymentOptionId, m_clientData);
        break;
    }
    case GET_PAYMENT_FEEDBACK:
        poll();
        break;
    default:
        unknownOperation(wxS("No code to handle the given task in PaymentClientTask"));
    }
    checkAbort();
}

void PaymentClient_1_0_Task::checkOptions() const
{
    // What the payer is asked to pay must be what the order was verified at.
    if (options.currency != currency ||
        !OrderingClient_3_0::sameInCents(options.amount, verifiedTotal))
        throw Quorvel::RuntimeException(
            wxS("Payment.AmountMismatch"),
            wxString::Format(_("The payment service asks for %s %0.2f, but the order total is "
                               "%s %0.2f. Nothing has been paid."),
                             options.currency, options.amount, currency, verifiedTotal));
}

void PaymentClient_1_0_Task::poll()
{
    wxString status;
    int waited = FIRST_WAITED;
    int limit = authReported ? AUTH_LIMIT : LIMIT;
    while (status != wxS("TR_PROCESSED")) {
        if (status == wxS("TR_FAILED"))
            fail(wxS("Payment.Failed"));
        if (status == wxS("TR_ABORTED"))
            fail(wxS("Payment.Aborted"));
        if (status == wxS("TR_AUTH_CLIENT") && !authReported) {
            authReported = true;
            return;
        }
        if (status == wxS("TR_AUTH_CLIENT"))
            limit = AUTH_LIMIT;
        if (!wait(POLL_WAIT))
            return;
        waited += POLL_WAIT;
        if (waited >= limit)
            throw Quorvel::RuntimeException(
                wxS("Payment.TimeOut"),
                wxString::Format(_("The payment request did not complete after %d seconds. If "
                                   "your payment did get through, the money will be "
                                   "automatically refunded."),
                                 limit));
        feedback = getClient().getPaymentFeedback(transactionId);
        ++polls;
        status = feedback.status;
    }
}

void PaymentClient_1_0_Task::fail(const wxString& code)
{
    const auto state = getClient().getTransactionStatus(transactionId);
    throw Quorvel::RuntimeException(
        code, wxString::Format(_("Error (%s): %s"), state.errorCode, state.description));
}

bool PaymentClient_1_0_Task::wait(int seconds)
{
    std::unique_lock<std::mutex> lock(m_waitMutex);
    m_waiting = true;
    const bool aborted = m_wake.wait_for(lock, m_second * seconds, [this] { return isAborted(); });
    m_waiting = false;
    return !aborted;
}

void PaymentClient_1_0_Task::onAbort()
{
    {
        std::lock_guard<std::mutex> lock(m_waitMutex);
    }
    m_wake.notify_all();
}

} // namespace Brenmarle
