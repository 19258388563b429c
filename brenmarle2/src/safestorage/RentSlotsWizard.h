#pragma once
// The assistant that rents more safe storage slots: it lists the subscription packages the
// storage service offers, opens a subscription for the chosen one, takes its payment on the
// payment pages of the wizard base, confirms the subscription and shows what was bought.
//
// Every call runs on the wizard's task runner with its waiting text; a failure shows the
// step's error text and its reason on the error page. A broken connection or a lost reply
// while the packages load or the subscription is confirmed offers Retry: confirming logs in
// afresh and the service adds the slots of a subscription once however often it is asked, so
// a retry never buys twice. A package without a price needs no payment. Cancel ends the
// assistant at once, also while the payment is being polled.
//
// Entry point for the application: run() (modal). GUI thread only. `configuration` (and
// `settings`, when given) must outlive the wizard.

#include <ctime>
#include <vector>

#include "service/AccountSettings.h"
#include "service/StorageClient_3_0.h"
#include "service/StorageClient_3_0_Task.h"
#include "widgets/BrenmarleWizard.h"

namespace Quorvel {
class Configuration;
class NetworkSettings;
} // namespace Quorvel

class RentSlotsWizard : public BrenmarleWizard {
public:
    // Side-bar steps.
    enum Step { STEP_PACKAGE, STEP_PAYMENT, STEP_CONFIRMATION };

    // Talks to the storage service of the account in `configuration`.
    RentSlotsWizard(wxWindow* parent, Quorvel::Configuration& configuration,
                    Quorvel::NetworkSettings* settings = nullptr);

    // Shows the assistant modally; returns wxID_OK when a subscription was confirmed. Without
    // an account it says one is needed and returns wxID_CANCEL.
    static int run(wxWindow* parent, Quorvel::Configuration& configuration);

    // ---- The flow, in its order. ----------------------------------------------------------
    // Logs in and fetches the packages offered (the first page's operation).
    void loadPackages();
    // Opens a subscription for the package at `index` of getPackages().
    void choosePackage(size_t index);
    void paymentCompleted() override;
    // Logs in afresh, then confirms the subscription (the confirmation page's operation).
    void confirmSubscription();

    // ---- State, for the pages and tests. ---------------------------------------------------
    // The packages offered that can be bought (slots and a price that make sense).
    const std::vector<Brenmarle::StorageClient_3_0::SubscriptionPackage>& getPackages() const
    {
        return m_packages;
    }
    bool packagesLoaded() const { return m_packagesLoaded; }
    const Brenmarle::StorageClient_3_0::SubscriptionPackage& getChosenPackage() const
    {
        return m_chosen;
    }
    const Brenmarle::StorageClient_3_0::Confirmation& getConfirmation() const
    {
        return m_confirmation;
    }
    bool wasConfirmed() const { return m_confirmed; }

    // ---- What the pages say. ---------------------------------------------------------------
    // "%d picture slots".
    static wxString slotsText(int slots);
    // "For a period of %d years" / "... year"; a period that is no whole number of years is
    // shown as the service wrote it.
    static wxString periodText(const wxString& period);
    // "EUR 9.90".
    static wxString priceText(double price, const wxString& currency);
    // A slot size in bytes as people read it ("5 MB").
    static wxString sizeText(int64_t bytes);
    // The final page's texts, in order.
    static std::vector<wxString> confirmedTexts(int newSlots, std::time_t expires,
                                                int64_t slotBytes);
    // Whether a package from the service can be offered: slots and a price that make sense.
    static bool isOffered(const Brenmarle::StorageClient_3_0::SubscriptionPackage& package);

    class PackagesPage;
    class ConfirmPage;
    class ConfirmedPage;

protected:
    void onTaskSucceeded(Quorvel::TaskEvent& event) override;
    // Also a broken connection or lost reply while the packages load or the subscription is
    // confirmed: both may be asked again.
    bool offersRetry(const wxString& code) const override;

private:
    void storageSucceeded(Brenmarle::StorageClient_3_0_Task& task);
    void packagesArrived(const std::vector<Brenmarle::StorageClient_3_0::SubscriptionPackage>& all);
    void subscriptionInitiated(const Brenmarle::StorageClient_3_0::Transaction& transaction);
    // A client for the account's storage service; false (with the failure shown as
    // `errorText`) when the account names no usable portal.
    bool newClient(const wxString& errorText);

    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;
    Brenmarle::AccountSettings::Account m_account;
    Quorvel::Ref<Brenmarle::StorageClient_3_0> m_client;
    std::vector<Brenmarle::StorageClient_3_0::SubscriptionPackage> m_packages;
    bool m_packagesLoaded = false;
    Brenmarle::StorageClient_3_0::SubscriptionPackage m_chosen;
    wxString m_transactionId;
    Brenmarle::StorageClient_3_0::Confirmation m_confirmation;
    bool m_confirmed = false;
};
