#include "widgets/BrenmarleWizard.h"

#include "service/NetworkSettings.h"
#include "service/PaymentData.h"
#include "service/WebAddress.h"
#include "system/Environment.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "ui/Skin.h"
#include "widgets/PaymentPages.h"

using Brenmarle::PaymentClient_1_0;
using PaymentTask = Brenmarle::PaymentClient_1_0_Task;

BrenmarleWizard::BrenmarleWizard(wxWindow* parent, const wxString& title,
                                 const std::vector<wxString>& steps)
    : Quorvel::Wizard(parent, wxID_ANY, title)
{
    setStepNames(steps);
    // Without a program folder (a test) or with a skin that lacks it, the bar has no picture.
    if (Quorvel::Environment::isInitialised())
        setSideBarPicture(
            Quorvel::Skin(Quorvel::Environment::getSkinDir()).loadBitmap(SIDEBAR_PICTURE));
}

void BrenmarleWizard::showFailure(const wxString& operation, const Quorvel::Exception& failure)
{
    setOperationDescription(operation);
    showFailure(failure.getCode(), failure.getMessage());
}

bool BrenmarleWizard::offersRetry(const wxString& code) const
{
    if (Quorvel::Wizard::offersRetry(code))
        return true;
    const auto* page = dynamic_cast<const PaymentPage*>(getCurrentPage());
    return isTransportFailure(code) && page && page->isRetryPoint();
}

bool BrenmarleWizard::isTransportFailure(const wxString& code)
{
    return (code.StartsWith("Network.") && code != "Network.ProxyAuthorization") ||
           code == "Soap.UnknownError";
}

void BrenmarleWizard::setPaymentTransport(Quorvel::NetworkSettings& settings,
                                          const wxString& caFile)
{
    m_paymentSettings = &settings;
    m_caFile = caFile;
    m_caFileGiven = true;
}

bool BrenmarleWizard::isIssuerAddress(const wxString& url)
{
    try {
        return Quorvel::WebAddress::parse(url).getScheme() == "https";
    } catch (const Quorvel::Exception&) {
        return false;
    }
}

void BrenmarleWizard::startPayment(const PaymentRequest& request, Quorvel::ConfigFile& config)
{
    m_payment = request;
    m_invoiceConfig = &config;
    try {
        Quorvel::NetworkSettings& settings =
            m_paymentSettings ? *m_paymentSettings : Quorvel::NetworkSettings::get();
        m_paymentClient = Quorvel::makeRef<PaymentClient_1_0>(
            settings, m_caFileGiven ? m_caFile : PaymentClient_1_0::defaultCaFile());
        m_paymentClient->setAddress(PaymentClient_1_0::parseServer(request.server));
    } catch (const Quorvel::Exception& e) {
        showFailure(_("Could not retrieve payment options"), e);
        return;
    }
    if (m_payment.language.empty())
        m_payment.language = wxString::FromUTF8(m_paymentClient->getLanguage());
    if (m_payment.language.empty())
        m_payment.language = "en";
    runServiceTask(PaymentTask::getPaymentOptions(m_paymentClient, request.transactionId,
                                                  m_payment.language, request.verifiedTotal,
                                                  request.currency),
                   _("Retrieving payment options..."), _("Could not retrieve payment options"));
}

void BrenmarleWizard::choosePaymentOption(const PaymentClient_1_0::PaymentOption& option)
{
    if (option.type == Brenmarle::PaymentData::INVOICE)
        pushPage(new InvoiceAddressPage(this, option));
    else
        pushPage(new CardDetailsPage(this, option));
}

void BrenmarleWizard::sendPaymentDetails(int optionId, const std::string& clientData)
{
    runServiceTask(PaymentTask::sendPaymentDetails(m_paymentClient, m_payment.transactionId,
                                                   optionId, clientData),
                   _("Sending payment details..."), _("Could not send payment details"));
}

void BrenmarleWizard::pollPayment(bool authReported)
{
    auto task =
        PaymentTask::getPaymentFeedback(m_paymentClient, m_payment.transactionId, authReported);
    task->setSecond(m_pollSecond);
    runServiceTask(task, _("Waiting for the payment to complete..."),
                   _("The payment did not go through"));
}

void BrenmarleWizard::runServiceTask(const Quorvel::Ref<Quorvel::Task>& task,
                                     const wxString& busyText, const wxString& errorText)
{
    try {
        runTask(task, busyText, errorText);
    } catch (const Quorvel::Exception& e) {
        showFailure(errorText, e);
    }
}

void BrenmarleWizard::onTaskSucceeded(Quorvel::TaskEvent& event)
{
    if (auto* task = dynamic_cast<PaymentTask*>(event.getTask().get()))
        paymentTaskSucceeded(*task);
}

void BrenmarleWizard::paymentTaskSucceeded(PaymentTask& task)
{
    switch (task.getOperation()) {
    case PaymentTask::GET_PAYMENT_OPTIONS:
        m_paymentOptions = task.options;
        pushPage(new PaymentMethodPage(this));
        break;
    case PaymentTask::SEND_PAYMENT_DETAILS:
        pollPayment(false);
        break;
    case PaymentTask::GET_PAYMENT_FEEDBACK:
        if (task.feedback.status == "TR_PROCESSED") {
            QDEBUG("[BRENMARLEWIZARD] Payment of %s processed", m_payment.transactionId);
            paymentCompleted();
        } else {
            // The first report of the issuer's check ends polling: the payer confirms first.
            pushPage(new IssuerCheckPage(this, task.feedback.data));
        }
        break;
    default:
        break;
    }
}
