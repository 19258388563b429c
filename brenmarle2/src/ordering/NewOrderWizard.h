#pragma once
// The new-order assistant ("Order Creation Wizard"): downloads the price list of the account's
// portal (DownloadPriceListSlave, off the GUI thread), installs it as the current one and ends
// on "Congratulations". A download that fails, or a document that does not load, ends on the
// wizard's error page and leaves the price list installed before; Retry (after a refused
// connection) or Back and Next download again.
//
// Ends with wxID_OK once a price list was installed, else wxID_CANCEL.
//
// GUI thread only.

#include <memory>

#include "ordering/DownloadPriceListSlave.h"
#include "service/AccountSettings.h"
#include "widgets/BrenmarleWizard.h"

namespace Quorvel {
class Configuration;
class NetworkSettings;
} // namespace Quorvel
namespace Brenmarle {
class PricelistCache;
}

class NewOrderWizard : public BrenmarleWizard {
public:
    // Side-bar steps.
    enum Step { STEP_PRICES, STEP_DONE };

    // `configuration`, `pricelists` and `settings` (the process's when null) must outlive the
    // wizard. The account is read from `configuration` when the wizard is made.
    NewOrderWizard(wxWindow* parent, Quorvel::Configuration& configuration,
                   Brenmarle::PricelistCache& pricelists,
                   Quorvel::NetworkSettings* settings = nullptr);
    ~NewOrderWizard() override;

    // Shows it modally; returns its result.
    static int run(wxWindow* parent, Quorvel::Configuration& configuration,
                   Brenmarle::PricelistCache& pricelists);

    // The provider's name as the user knows it.
    wxString getProviderName() const;
    // Starts the download (once the wizard shows, and again on Retry or Next).
    void downloadPriceList();
    bool hasInstalled() const { return m_installed; }

    class DownloadPage;
    class CongratulationsPage;

protected:
    void onSlaveSucceeded(Quorvel::SlaveManagerEvent& event) override;

private:
    Quorvel::Configuration& m_configuration;
    Brenmarle::PricelistCache& m_pricelists;
    Quorvel::NetworkSettings& m_settings;
    Brenmarle::AccountSettings::Account m_account;
    // The result of the download under way, read when its finished event comes.
    std::shared_ptr<Brenmarle::DownloadPriceListSlave::Result> m_result;
    bool m_started = false;
    bool m_installed = false;
};
