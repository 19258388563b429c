#include "safestorage/RentSlotsPages.h"

#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "ui/Accessibility.h"

using WF = WizardForm;

// ---- Packages -------------------------------------------------------------------------------

RentSlotsWizard::PackagesPage::PackagesPage(RentSlotsWizard* wizard)
    : FormPage(wizard, _("Choose a safe storage package"), STEP_PACKAGE), m_wizard(wizard)
{
    m_intro = WF::addText(this, sizer(), _("Retrieving the packages offered..."));
    m_error.create(this, sizer());
}

void RentSlotsWizard::PackagesPage::runOperation()
{
    m_wizard->loadPackages();
}

void RentSlotsWizard::PackagesPage::showPackages()
{
    const auto& packages = m_wizard->getPackages();
    m_intro->SetLabel(packages.empty()
                          ? _("No safe storage packages are offered at the moment. Please try "
                              "again later.")
                          : _("Choose how many more pictures you wish to keep in safe storage, "
                              "and for how long:"));
    m_intro->Wrap(WF::WRAP_WIDTH);
    // Listed once: a retry comes back here only while the list has not come.
    if (!m_choices.empty())
        return;
    size_t at = 1;
    for (const auto& package : packages) {
        auto* choice =
            new wxRadioButton(this, wxID_ANY, slotsText(package.slots), wxDefaultPosition,
                              wxDefaultSize, m_choices.empty() ? wxRB_GROUP : 0);
        const wxString period = periodText(package.period);
        const wxString price = priceText(package.price, package.currency);
        Quorvel::setAccessibleName(*choice, choice->GetLabel() + ", " + period + ", " + price);
        sizer()->Insert(at++, choice, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
        auto* details = new wxBoxSizer(wxHORIZONTAL);
        details->Add(new wxStaticText(this, wxID_ANY, period), wxSizerFlags().Border(wxRIGHT, 20));
        details->Add(new wxStaticText(this, wxID_ANY, price));
        sizer()->Insert(at++, details, wxSizerFlags().Border(wxLEFT, 4 * WF::BORDER));
        m_choices.push_back(choice);
    }
    if (!m_choices.empty())
        m_choices.front()->SetValue(true);
    Layout();
}

void RentSlotsWizard::PackagesPage::onNext(wxCommandEvent&)
{
    for (size_t i = 0; i < m_choices.size(); ++i) {
        if (m_choices[i]->GetValue()) {
            m_wizard->choosePackage(i);
            return;
        }
    }
    refuse(m_wizard->packagesLoaded() ? _("No safe storage package can be chosen")
                                      : _("The packages offered have not been retrieved yet"));
}

// ---- Confirmation ---------------------------------------------------------------------------

RentSlotsWizard::ConfirmPage::ConfirmPage(RentSlotsWizard* wizard)
    : FormPage(wizard, _("Confirming your subscription"), STEP_CONFIRMATION), m_wizard(wizard)
{
    WF::addText(this, sizer(),
                _("Your payment has been received. Your subscription is now being confirmed."));
}

void RentSlotsWizard::ConfirmPage::runOperation()
{
    m_wizard->confirmSubscription();
}

RentSlotsWizard::ConfirmedPage::ConfirmedPage(RentSlotsWizard* wizard)
    : FinalWizardPage(wizard, wxID_ANY, _("Safe storage subscription confirmed"))
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(sizer);
    const auto& confirmation = wizard->getConfirmation();
    const int slotBytes = confirmation.slotStatus.slotSize > 0
                              ? confirmation.slotStatus.slotSize
                              : wizard->getChosenPackage().slotSize;
    const auto texts = confirmedTexts(confirmation.newSlots, confirmation.expires, slotBytes);
    for (size_t i = 0; i < texts.size(); ++i)
        WF::addText(this, sizer, texts[i], i == 0);
}
