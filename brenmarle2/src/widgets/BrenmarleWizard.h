#pragma once
// The base of the program's assistants: the skin's picture heading the side bar of steps,
// failures of work done on the GUI thread (a document that cannot be read, a delivery method
// that cannot be chosen) shown on the same error pages as a failed task's, and the payment
// pages of the assistants that sell something.
//
// Payment (startPayment): the options of the transaction are fetched from the payment server
// another service named and checked against the verified total; the payer chooses a method
// (PaymentMethodPage), gives the card's details (CardDetailsPage) or the invoice address
// (InvoiceAddressPage, remembered under "Invoicing/..."), and the outcome is polled while the
// wizard is busy. When the card issuer asks the payer to confirm, IssuerCheckPage opens the
// issuer's page in the browser (https addresses only) and polling goes on knowing the check
// was reported. A processed payment calls paymentCompleted(); a failure, an abort by the
// issuer and a time-out end on the error page with their texts. Going back to the details and
// pressing Next again after a failure retries with the same client, which never charges a
// transaction twice. Card details stay in the page's fields: they are never logged or stored.
//
// GUI thread only.

#include <chrono>
#include <vector>

#include "service/PaymentClient_1_0.h"
#include "service/PaymentClient_1_0_Task.h"
#include "widgets/Wizard.h"

namespace Quorvel {
class ConfigFile;
class Exception;
class NetworkSettings;
} // namespace Quorvel

class BrenmarleWizard : public Quorvel::Wizard {
public:
    // Under the skin folder.
    static constexpr const char* SIDEBAR_PICTURE = "wizard/sidebar.png";

    BrenmarleWizard(wxWindow* parent, const wxString& title,
                    const std::vector<wxString>& steps = {});

    using Quorvel::Wizard::showFailure;
    // Shows `failure` of `operation` ("Could not choose delivery method") on an error page; the
    // one that offers Retry when the connection was refused.
    void showFailure(const wxString& operation, const Quorvel::Exception& failure);

    // ---- Payment ---------------------------------------------------------------------------
    struct PaymentRequest {
        wxString transactionId;
        // "host[:port]" as the service that opened the transaction named it.
        wxString server;
        double verifiedTotal = 0;
        wxString currency;
        // Empty: the program's language.
        wxString language;
        // The side-bar step of the payment pages.
        int step = 0;
    };
    class PaymentPage;
    class PaymentMethodPage;
    class CardDetailsPage;
    class InvoiceAddressPage;
    class IssuerCheckPage;

    // Where the payment client gets its network settings and authority file; by default the
    // program's settings and PaymentClient_1_0::defaultCaFile(). Before startPayment().
    void setPaymentTransport(Quorvel::NetworkSettings& settings, const wxString& caFile);
    // How long a second of the payment's polling lasts (tests shorten it).
    void setPaymentPollSecond(std::chrono::milliseconds second) { m_pollSecond = second; }
    // The invoice address is read from and remembered in `config`.
    void startPayment(const PaymentRequest& request, Quorvel::ConfigFile& config);
    // The pages' steps.
    void choosePaymentOption(const Brenmarle::PaymentClient_1_0::PaymentOption& option);
    void sendPaymentDetails(int optionId, const std::string& clientData);
    void pollPayment(bool authReported);

    const PaymentRequest& getPaymentRequest() const { return m_payment; }
    const Brenmarle::PaymentClient_1_0::PaymentOptions& getPaymentOptions() const
    {
        return m_paymentOptions;
    }
    Quorvel::ConfigFile* getInvoiceConfig() const { return m_invoiceConfig; }
    // Whether `url` may be opened as the card issuer's page: https of a valid host only.
    static bool isIssuerAddress(const wxString& url);

protected:
    // A processed payment; the assistant goes on (an order is confirmed).
    virtual void paymentCompleted() {}
    // Handles the events of the payment tasks.
    void onTaskSucceeded(Quorvel::TaskEvent& event) override;
    // Also a broken connection or reply while the payment details go out: sending them again
    // charges nothing more, the task asks the transaction's state first.
    bool offersRetry(const wxString& code) const override;
    // A failure of the connection or of the reply itself (cut, lost, unreadable), not the
    // server's answer, which would only come again.
    static bool isTransportFailure(const wxString& code);
    // runTask() with the texts; a task that cannot be started shows its failure as
    // `errorText` on the error page.
    void runServiceTask(const Quorvel::Ref<Quorvel::Task>& task, const wxString& busyText,
                        const wxString& errorText);

private:
    void paymentTaskSucceeded(Brenmarle::PaymentClient_1_0_Task& task);

    Quorvel::NetworkSettings* m_paymentSettings = nullptr;
    std::chrono::milliseconds m_pollSecond{1000};
    wxString m_caFile;
    bool m_caFileGiven = false;
    PaymentRequest m_payment;
    Quorvel::ConfigFile* m_invoiceConfig = nullptr;
    Quorvel::Ref<Brenmarle::PaymentClient_1_0> m_paymentClient;
    Brenmarle::PaymentClient_1_0::PaymentOptions m_paymentOptions;
};
