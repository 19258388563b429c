#pragma once
// The payment client's task companion: the payment options of a transaction (checked against
// the total the user verified before any card data is asked for), the payer's details, and
// polling for the outcome.
//
// Polling ("getPaymentFeedback"): while the status is not "TR_PROCESSED", "TR_FAILED" and
// "TR_ABORTED" fail with "Payment.Failed" / "Payment.Aborted" and "Error (%s): %s" (the
// transaction's error code and description); the first "TR_AUTH_CLIENT" ends the task with
// authReported set, so the window lets the payer complete the issuer's check and starts a new
// polling task with authReported given, which then waits up to AUTH_LIMIT for the outcome
// instead of asking again. Between polls the task waits POLL_WAIT seconds; after LIMIT seconds
// it fails with "Payment.TimeOut". The waits end at once when the task is aborted.
//
// The client data is wiped from the task once sent, so no copy of it outlives the call.
//
// Threads: made on the GUI thread, run on a task runner thread; results are read after the
// finished event. abort() from any thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>

#include "service/PaymentClient_1_0.h"
#include "service/ServiceTask.h"

namespace Brenmarle {

class PaymentClient_1_0_Task : public Quorvel::ServiceTask<PaymentClient_1_0> {
public:
    enum Operation { GET_PAYMENT_OPTIONS = 0, SEND_PAYMENT_DETAILS = 1, GET_PAYMENT_FEEDBACK = 2 };
    // In seconds of the polling clock.
    static constexpr int FIRST_WAITED = 5;
    static constexpr int POLL_WAIT = 5;
    static constexpr int LIMIT = 180;
    static constexpr int AUTH_LIMIT = 600;

    using Client = Quorvel::Ref<PaymentClient_1_0>;
    using TaskRef = Quorvel::Ref<PaymentClient_1_0_Task>;

    // Needs a transaction id and a language. The options' amount and currency must be
    // `verifiedTotal` (to the cent) and `currency`, else the task fails with
    // "Payment.AmountMismatch".
    static TaskRef getPaymentOptions(const Client& client, const wxString& transactionId,
                                     const wxString& language, double verifiedTotal,
                                     const wxString& currency);
    // Needs a transaction id and an option id above 0 (else UnsupportedException).
    static TaskRef sendPaymentDetails(const Client& client, const wxString& transactionId,
                                      int paymentOptionId, const std::string& clientData);
    // `authReported`: an earlier polling task ended on the issuer's check.
    static TaskRef getPaymentFeedback(const Client& client, const wxString& transactionId,
                                      bool authReported = false);

    PaymentClient_1_0_Task(const Client& client, int operation);
    ~PaymentClient_1_0_Task() override;

    // How long one second of the polling clock lasts (tests shorten it). Before run().
    void setSecond(std::chrono::milliseconds second) { m_second = second; }
    // Any thread: whether the task waits between polls now.
    bool isWaiting() const { return m_waiting.load(); }

    // Inputs.
    wxString transactionId;
    wxString language;
    double verifiedTotal = 0;
    wxString currency;
    int paymentOptionId = 0;

    // Results.
    PaymentClient_1_0::PaymentOptions options;
    // Whether SEND_PAYMENT_DETAILS sent them now (false: the service had them already).
    bool detailsSent = false;
    PaymentClient_1_0::Feedback feedback;
    // Input and result of polling: the issuer's check has been reported.
    bool authReported = false;
    // Feedback calls made by this task.
    int polls = 0;

protected:
    void runOperation(int operation) override;
    void onAbort() override;

private:
    void checkOptions() const;
    void poll();
    [[noreturn]] void fail(const wxString& code);
    // Waits `seconds` of the polling clock; false when aborted.
    bool wait(int seconds);
    void wipeClientData();

    std::string m_clientData;
    std::chrono::milliseconds m_second{1000};
    // Wakes a wait on abort.
    std::mutex m_waitMutex;
    std::condition_variable m_wake;
    std::atomic<bool> m_waiting{false};
};

} // namespace Brenmarle
