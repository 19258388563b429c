#include "safestorage/RentSlotsWizard.h"

#include <cmath>

#include <wx/datetime.h>
#include <wx/msgdlg.h>

#include "safestorage/RentSlotsPages.h"
#include "service/NetworkSettings.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"

using Brenmarle::StorageClient_3_0;
using StorageTask = Brenmarle::StorageClient_3_0_Task;

RentSlotsWizard::RentSlotsWizard(wxWindow* parent, Quorvel::Configuration& configuration,
                                 Quorvel::NetworkSettings* settings)
    : BrenmarleWizard(parent, _("Rent Safe Storage Slots"),
                      {_("Package"), _("Payment"), _("Confirmation")}),
      m_configuration(configuration),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get()),
      m_account(Brenmarle::AccountSettings::read(configuration))
{
    SetName("RentSlotsWizard");
    pushPage(new PackagesPage(this));
    QDEBUG("[RENTSLOTSWIZARD] Opened");
    loadPackages();
}

int RentSlotsWizard::run(wxWindow* parent, Quorvel::Configuration& configuration)
{
    if (!Brenmarle::AccountSettings::read(configuration).exists()) {
        wxMessageBox(_("You need to register an account to use the safe storage function"),
                     _("Safe Storage"), wxOK | wxICON_INFORMATION, parent);
        return wxID_CANCEL;
    }
    auto* wizard = new RentSlotsWizard(parent, configuration);
    wizard->ShowModal();
    // The final page's Close and the window's close box both end a bought subscription.
    const int result = wizard->wasConfirmed() ? wxID_OK : wxID_CANCEL;
    wizard->Destroy();
    return result;
}

// ---- The flow -------------------------------------------------------------------------------

bool RentSlotsWizard::newClient(const wxString& errorText)
{
    try {
        auto client = Quorvel::makeRef<StorageClient_3_0>(m_settings);
        client->setAddress(Brenmarle::AccountSettings::portalAddress(m_configuration, m_account));
        m_client = client;
        return true;
    } catch (const Quorvel::Exception& e) {
        showFailure(errorText, e);
        return false;
    }
}

void RentSlotsWizard::loadPackages()
{
    const wxString errorText = _("Could not retrieve safe storage packages");
    if (newClient(errorText))
        runServiceTask(StorageTask::getSubscriptionPackages(m_client),
                       _("Retrieving safe storage packages..."), errorText);
}

void RentSlotsWizard::packagesArrived(
    const std::vector<StorageClient_3_0::SubscriptionPackage>& all)
{
    m_packages.clear();
    for (const auto& package : all)
        if (isOffered(package))
            m_packages.push_back(package);
    m_packagesLoaded = true;
    QDEBUG("[RENTSLOTSWIZARD] %d packages offered", static_cast<int>(m_packages.size()));
    if (auto* page = dynamic_cast<PackagesPage*>(getCurrentPage()))
        page->showPackages();
    // Next was held while they came; with nothing to buy there is nowhere to go.
    enableButton(ID_NEXT, !m_packages.empty());
}

void RentSlotsWizard::choosePackage(size_t index)
{
    if (isBusy() || index >= m_packages.size())
        return;
    m_chosen = m_packages[index];
    runServiceTask(StorageTask::initiateSubscription(m_client, m_chosen.slots, m_chosen.period),
                   _("Creating subscription..."), _("Could not create subscription"));
}

void RentSlotsWizard::subscriptionInitiated(const StorageClient_3_0::Transaction& transaction)
{
    m_transactionId = transaction.transactionId;
    QDEBUG("[RENTSLOTSWIZARD] Subscription %s of %d slots at %s", m_transactionId, m_chosen.slots,
           transaction.paymentServer);
    if (m_transactionId.empty()) {
        showFailure(_("Could not create subscription"),
                    Quorvel::ResponseException(_("The server opened no subscription")));
        return;
    }
    // A free package has nothing to pay.
    if (m_chosen.price <= 0) {
        paymentCompleted();
        return;
    }
    PaymentRequest request;
    request.transactionId = m_transactionId;
    request.server = transaction.paymentServer;
    // The payment service must ask for exactly the price of the package chosen.
    request.verifiedTotal = m_chosen.price;
    request.currency = m_chosen.currency;
    request.step = STEP_PAYMENT;
    startPayment(request, m_configuration.getUserConfig());
}

void RentSlotsWizard::paymentCompleted()
{
    pushPage(new ConfirmPage(this));
    confirmSubscription();
}

void RentSlotsWizard::confirmSubscription()
{
    // A session of its own: the one the packages came with may have idled out during the
    // payment, or been closed by a confirmation whose reply was lost.
    const wxString errorText = _("Could not confirm subscription");
    if (newClient(errorText))
        runServiceTask(StorageTask::createSession(m_client), _("Confirming subscription..."),
                       errorText);
}

void RentSlotsWizard::onTaskSucceeded(Quorvel::TaskEvent& event)
{
    if (auto* storage = dynamic_cast<StorageTask*>(event.getTask().get()))
        storageSucceeded(*storage);
    else
        BrenmarleWizard::onTaskSucceeded(event);
}

void RentSlotsWizard::storageSucceeded(StorageTask& task)
{
    switch (task.getOperation()) {
    case StorageTask::GET_SUBSCRIPTION_PACKAGES:
        packagesArrived(task.packages);
        break;
    case StorageTask::INITIATE_SUBSCRIPTION:
        subscriptionInitiated(task.transaction);
        break;
    case StorageTask::CREATE_SESSION:
        runServiceTask(StorageTask::confirmSubscription(m_client, m_transactionId),
                       _("Confirming subscription..."), _("Could not confirm subscription"));
        break;
    case StorageTask::CONFIRM_SUBSCRIPTION:
        m_confirmation = task.confirmation;
        m_confirmed = true;
        QDEBUG("[RENTSLOTSWIZARD] Subscription %s confirmed: %d new slots", m_transactionId,
               m_confirmation.newSlots);
        pushPage(new ConfirmedPage(this));
        break;
    default:
        break;
    }
}

bool RentSlotsWizard::offersRetry(const wxString& code) const
{
    if (BrenmarleWizard::offersRetry(code))
        return true;
    const Page* page = getCurrentPage();
    return isTransportFailure(code) &&
           (dynamic_cast<const PackagesPage*>(page) || dynamic_cast<const ConfirmPage*>(page));
}

// ---- Texts ----------------------------------------------------------------------------------

wxString RentSlotsWizard::slotsText(int slots)
{
    return wxString::Format(_("%d picture slots"), slots);
}

wxString RentSlotsWizard::periodText(const wxString& period)
{
    long years = 0;
    if (!period.ToLong(&years) || years <= 0)
        return wxString::Format(_("For a period of %s"), period);
    return wxString::Format(years == 1 ? _("For a period of %d year")
                                       : _("For a period of %d years"),
                            static_cast<int>(years));
}

wxString RentSlotsWizard::priceText(double price, const wxString& currency)
{
    return wxString::Format("%s %0.2f", currency, price);
}

wxString RentSlotsWizard::sizeText(int64_t bytes)
{
    const char* const units[] = {"bytes", "KB", "MB", "GB"};
    double value = static_cast<double>(bytes);
    size_t unit = 0;
    while (value >= 1024 && unit + 1 < sizeof units / sizeof *units) {
        value /= 1024;
        ++unit;
    }
    if (value == std::floor(value))
        return wxString::Format("%d %s", static_cast<int>(value), units[unit]);
    return wxString::Format("%0.1f %s", value, units[unit]);
}

std::vector<wxString> RentSlotsWizard::confirmedTexts(int newSlots, std::time_t expires,
                                                      int64_t slotBytes)
{
    std::vector<wxString> texts{
        wxString::Format(_("You have subscribed to %d new picture slots."), newSlots)};
    // Free slots never expire.
    if (expires > 0)
        texts.push_back(wxString::Format(
            _("The subscription must be renewed %s."),
            wxString::Format(
                _("by %s"),
                wxDateTime(static_cast<time_t>(expires)).Format("%d %B %Y", wxDateTime::UTC))));
    if (slotBytes > 0)
        texts.push_back(wxString::Format(_("(One picture slot can store a picture of up to %s in "
                                           "size. Pictures larger than this will occupy more than "
                                           "one slot)"),
                                         sizeText(slotBytes)));
    return texts;
}

bool RentSlotsWizard::isOffered(const StorageClient_3_0::SubscriptionPackage& package)
{
    return package.slots > 0 && std::isfinite(package.price) && package.price >= 0 &&
           (package.price == 0 || !package.currency.empty());
}
