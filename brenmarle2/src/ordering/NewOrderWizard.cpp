#include "ordering/NewOrderWizard.h"

#include <ctime>

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "core/Exceptions.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "service/NetworkSettings.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/SlaveManagerEvent.h"
#include "widgets/FinalWizardPage.h"
#include "widgets/WizardPage.h"

namespace {

constexpr int BORDER = 10;
constexpr int WRAP_WIDTH = 420;

void addText(wxWindow* page, wxSizer* sizer, const wxString& text)
{
    auto* label = new wxStaticText(page, wxID_ANY, text);
    label->Wrap(WRAP_WIDTH);
    sizer->Add(label, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
}

NewOrderWizard* wizardOf(const Quorvel::Wizard::Page& page)
{
    return static_cast<NewOrderWizard*>(page.getWizard());
}

} // namespace

// The wizard downloads as soon as it shows; Next here downloads again after the user came back
// from a failure, and Retry on a refused connection repeats the download from here.
class NewOrderWizard::DownloadPage : public Quorvel::Wizard::Page {
public:
    explicit DownloadPage(NewOrderWizard* wizard)
        : Page(wizard, wxID_ANY, _("Helping you create a new photo order"))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        addText(this, sizer,
                wxString::Format(_("The program is now downloading information about products "
                                   "and prices from %s. This should not take very long."),
                                 wizard->getProviderName()));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_PRICES; }
    bool isRetryPoint() const override { return true; }
    void runOperation() override { wizardOf(*this)->downloadPriceList(); }
    void onNext(wxCommandEvent&) override { runOperation(); }
};

// The price list is installed: only Close remains.
class NewOrderWizard::CongratulationsPage : public FinalWizardPage {
public:
    explicit CongratulationsPage(NewOrderWizard* wizard)
        : FinalWizardPage(wizard, wxID_ANY, _("Congratulations"))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        addText(this, sizer,
                _("You can now add pictures and other items to the shopping cart.\n\n") +
                    _("Close this window to continue..."));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_DONE; }
};

NewOrderWizard::NewOrderWizard(wxWindow* parent, Quorvel::Configuration& configuration,
                               Brenmarle::PricelistCache& pricelists,
                               Quorvel::NetworkSettings* settings)
    : BrenmarleWizard(parent, _("Order Creation Wizard"), {_("Price list"), _("Done")}),
      m_configuration(configuration), m_pricelists(pricelists),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get()),
      m_account(Brenmarle::AccountSettings::read(configuration))
{
    SetName("NewOrderWizard");
    pushPage(new DownloadPage(this));
    // Not before it shows: a wizard that is made but never shown asks nothing of the network.
    Bind(wxEVT_SHOW, [this](wxShowEvent& event) {
        event.Skip();
        if (event.IsShown() && !m_started) {
            m_started = true;
            downloadPriceList();
        }
    });
    QDEBUG("[NEWORDERWIZARD] Opened for portal %s", m_account.portalId);
}

NewOrderWizard::~NewOrderWizard() = default;

int NewOrderWizard::run(wxWindow* parent, Quorvel::Configuration& configuration,
                        Brenmarle::PricelistCache& pricelists)
{
    auto* wizard = new NewOrderWizard(parent, configuration, pricelists);
    const int result = wizard->ShowModal();
    wizard->Destroy();
    return result;
}

wxString NewOrderWizard::getProviderName() const
{
    return m_account.portalName.empty() ? m_account.portalId : m_account.portalName;
}

void NewOrderWizard::downloadPriceList()
{
    const wxString failure =
        wxString::Format(_("Could not download price list from %s"), getProviderName());
    try {
        if (!m_account.exists())
            throw AccountException(_("You need an account with a service provider"));
        auto slave = std::make_unique<Brenmarle::DownloadPriceListSlave>(
            Brenmarle::AccountSettings::portalAddress(m_configuration, m_account), &m_settings);
        m_result = slave->getResult();
        runSlave(std::move(slave), SIZE_MAX, _("Downloading price list - please wait"), failure);
    } catch (const Quorvel::Exception& e) {
        showFailure(failure, e);
    }
}

void NewOrderWizard::onSlaveSucceeded(Quorvel::SlaveManagerEvent& event)
{
    if (event.getFirstNumber() != Brenmarle::DownloadPriceListSlave::SLAVE_ID || !m_result)
        return;
    const auto result = std::move(m_result);
    if (!result->pricelist ||
        !m_pricelists.install(m_account.portalId, result->pricelist, std::time(nullptr))) {
        // install() has logged why.
        showFailure(QUORVEL_DEFAULT_ERROR_CODE, _("The price list could not be saved"));
        return;
    }
    m_installed = true;
    QDEBUG("[NEWORDERWIZARD] Installed price list %s", result->pricelist->uuid);
    pushPage(new CongratulationsPage(this));
}
