#pragma once
// The pages of the slot-renting assistant (RentSlotsWizard) around the payment pages of the
// wizard base: the packages offered, the wait while the subscription is confirmed, and what
// was bought. Private to the assistant's sources and its tests.
//
// GUI thread only; made and owned by the wizard.

#include <vector>

#include "safestorage/RentSlotsWizard.h"
#include "widgets/FinalWizardPage.h"
#include "widgets/FormPage.h"

class wxRadioButton;
class wxStaticText;

// Loads the packages when first shown and again on Retry; lists them, the first chosen.
class RentSlotsWizard::PackagesPage : public FormPage {
public:
    explicit PackagesPage(RentSlotsWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    bool isRetryPoint() const override { return true; }
    void runOperation() override;
    // Lists the wizard's packages (once they have come).
    void showPackages();
    // One per package, in the service's order.
    const std::vector<wxRadioButton*>& getChoices() const { return m_choices; }

private:
    RentSlotsWizard* m_wizard;
    wxStaticText* m_intro;
    std::vector<wxRadioButton*> m_choices;
};

// Only waits for the confirmation; Retry confirms again, which buys nothing twice.
class RentSlotsWizard::ConfirmPage : public FormPage {
public:
    explicit ConfirmPage(RentSlotsWizard* wizard);
    bool isRetryPoint() const override { return true; }
    bool skipOnBack() const override { return true; }
    void runOperation() override;

private:
    RentSlotsWizard* m_wizard;
};

class RentSlotsWizard::ConfirmedPage : public FinalWizardPage {
public:
    explicit ConfirmedPage(RentSlotsWizard* wizard);
    int getStep() const override { return STEP_CONFIRMATION; }
};
