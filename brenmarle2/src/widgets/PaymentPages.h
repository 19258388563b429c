#pragma once
// The payment pages of the program's assistants (BrenmarleWizard): the method, the card's
// details or the invoice address, and the card issuer's check. Each hands what the payer gave
// to the wizard, which runs the payment. Private to the wizard's sources and its tests.
//
// GUI thread only; made and owned by the wizard.

#include <vector>

#include <wx/string.h>

#include "widgets/AddressFields.h"
#include "widgets/BrenmarleWizard.h"
#include "widgets/FormPage.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

class wxButton;
class wxRadioButton;
class wxTextCtrl;

class BrenmarleWizard::PaymentPage : public FormPage {
public:
    PaymentPage(BrenmarleWizard* wizard, const wxString& title);
    BrenmarleWizard* wizard() const { return m_wizard; }
    int getStep() const override { return m_wizard->getPaymentRequest().step; }

private:
    BrenmarleWizard* m_wizard;
};

class BrenmarleWizard::PaymentMethodPage : public PaymentPage {
public:
    explicit PaymentMethodPage(BrenmarleWizard* wizard);
    void onNext(wxCommandEvent& event) override;
    // One per payment option, in the service's order.
    const std::vector<wxRadioButton*>& getChoices() const { return m_choices; }
    // What the payer sees for an option type.
    static wxString labelOf(const wxString& type);

private:
    std::vector<wxRadioButton*> m_choices;
};

// Its Next sends the details: after a failure, Next here again (or Retry) is the retry.
class BrenmarleWizard::CardDetailsPage : public PaymentPage {
public:
    CardDetailsPage(BrenmarleWizard* wizard,
                    const Brenmarle::PaymentClient_1_0::PaymentOption& option);
    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    bool isRetryPoint() const override { return true; }
    void retryOperation() override;
    // The first problem of the card's fields, or empty.
    static wxString checkCard(const wxString& holder, const wxString& number,
                              const wxString& expiry, const wxString& code);

    wxTextCtrl* m_holder = nullptr;
    wxTextCtrl* m_number = nullptr;
    wxTextCtrl* m_expiry = nullptr;
    wxTextCtrl* m_code = nullptr;

private:
    Brenmarle::PaymentClient_1_0::PaymentOption m_option;
};

class BrenmarleWizard::InvoiceAddressPage : public PaymentPage {
public:
    InvoiceAddressPage(BrenmarleWizard* wizard,
                       const Brenmarle::PaymentClient_1_0::PaymentOption& option);
    void afterShow() override;
    void onNext(wxCommandEvent& event) override;
    bool isRetryPoint() const override { return true; }
    void retryOperation() override;

    AddressFields m_fields;

private:
    Brenmarle::PaymentClient_1_0::PaymentOption m_option;
};

// The card issuer asks the payer to confirm: its page opens in the browser (https only), and
// Next goes on waiting for the outcome.
class BrenmarleWizard::IssuerCheckPage : public PaymentPage {
public:
    IssuerCheckPage(BrenmarleWizard* wizard, const wxString& issuerAddress);
    void onNext(wxCommandEvent& event) override;
    wxButton* getOpenButton() const { return m_open; }

private:
    wxString m_address;
    wxButton* m_open = nullptr;
};
