#include "widgets/PaymentPages.h"

#include <wx/button.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>

#include "ordering/Address.h"
#include "ordering/CustomerForm.h"
#include "service/PaymentData.h"
#include "system/BrowserLink.h"
#include "ui/Accessibility.h"

using Brenmarle::PaymentData;
using WF = WizardForm;

namespace {

std::string utf8(const wxString& text)
{
    return std::string(text.Strip(wxString::both).utf8_str());
}

} // namespace

BrenmarleWizard::PaymentPage::PaymentPage(BrenmarleWizard* wizard, const wxString& title)
    : FormPage(wizard, title), m_wizard(wizard)
{
}

// ---- Method ---------------------------------------------------------------------------------

BrenmarleWizard::PaymentMethodPage::PaymentMethodPage(BrenmarleWizard* wizard)
    : PaymentPage(wizard, _("Please choose a payment method"))
{
    const auto& options = wizard->getPaymentOptions();
    if (!options.description.empty())
        WF::addText(this, sizer(), options.description);
    WF::addText(this, sizer(),
                wxString::Format(_("Amount to pay: %s %0.2f"), options.currency, options.amount),
                true);
    for (const auto& option : options.options) {
        auto* choice = new wxRadioButton(this, wxID_ANY, labelOf(option.type), wxDefaultPosition,
                                         wxDefaultSize, m_choices.empty() ? wxRB_GROUP : 0);
        sizer()->Add(choice, wxSizerFlags().Border(wxALL, WF::BORDER));
        m_choices.push_back(choice);
    }
    if (!m_choices.empty())
        m_choices.front()->SetValue(true);
    m_error.create(this, sizer());
}

wxString BrenmarleWizard::PaymentMethodPage::labelOf(const wxString& type)
{
    if (type == PaymentData::CREDIT_CARD)
        return _("Credit card");
    if (type == PaymentData::INVOICE)
        return _("Invoice");
    return type;
}

void BrenmarleWizard::PaymentMethodPage::onNext(wxCommandEvent&)
{
    const auto& options = wizard()->getPaymentOptions().options;
    for (size_t i = 0; i < m_choices.size() && i < options.size(); ++i) {
        if (m_choices[i]->GetValue()) {
            wizard()->choosePaymentOption(options[i]);
            return;
        }
    }
    refuse(_("The payment service offers no payment method for this order"));
}

// ---- Card -----------------------------------------------------------------------------------

BrenmarleWizard::CardDetailsPage::CardDetailsPage(
    BrenmarleWizard* wizard, const Brenmarle::PaymentClient_1_0::PaymentOption& option)
    : PaymentPage(wizard, _("Enter your card details")), m_option(option)
{
    WF::addText(this, sizer(),
                _("Your card details are sent to the payment server over a "
                  "secure connection and are not kept on this computer."));
    auto* grid = WF::addGrid(sizer());
    m_holder = WF::addField(this, grid, _("Name on card:"));
    m_number = WF::addField(this, grid, _("Card number:"));
    m_expiry = WF::addField(this, grid, _("Expiry date (MM/YY):"));
    m_code = WF::addField(this, grid, _("Security code:"), wxTE_PASSWORD);
    m_error.create(this, sizer());
}

void BrenmarleWizard::CardDetailsPage::afterShow()
{
    m_holder->SetFocus();
}

wxString BrenmarleWizard::CardDetailsPage::checkCard(const wxString& holder, const wxString& number,
                                                     const wxString& expiry, const wxString& code)
{
    if (utf8(holder).empty())
        return _("You must type in the name on the card");
    if (!PaymentData::isCardNumber(PaymentData::digitsOf(utf8(number))))
        return _("The card number is not valid");
    if (!PaymentData::isExpiry(utf8(expiry)))
        return _("The expiry date must be given as MM/YY");
    if (!PaymentData::isSecurityCode(utf8(code)))
        return _("The security code must be 3 or 4 digits");
    return wxString();
}

void BrenmarleWizard::CardDetailsPage::onNext(wxCommandEvent&)
{
    if (refuse(checkCard(m_holder->GetValue(), m_number->GetValue(), m_expiry->GetValue(),
                         m_code->GetValue())))
        return;
    PaymentData card;
    card.set(PaymentData::CARD_HOLDER, utf8(m_holder->GetValue()));
    card.set(PaymentData::CARD_NUMBER, PaymentData::digitsOf(utf8(m_number->GetValue())));
    card.set(PaymentData::EXPIRY, utf8(m_expiry->GetValue()));
    card.set(PaymentData::SECURITY_CODE, utf8(m_code->GetValue()));
    wizard()->sendPaymentDetails(m_option.id, card.toText());
}

void BrenmarleWizard::CardDetailsPage::retryOperation()
{
    wxCommandEvent next;
    onNext(next);
}

// ---- Invoice --------------------------------------------------------------------------------

BrenmarleWizard::InvoiceAddressPage::InvoiceAddressPage(
    BrenmarleWizard* wizard, const Brenmarle::PaymentClient_1_0::PaymentOption& option)
    : PaymentPage(wizard, _("Provide the invoice address")), m_option(option)
{
    Quorvel::ConfigFile* config = wizard->getInvoiceConfig();
    m_fields.create(this, WF::addGrid(sizer()),
                    config ? Brenmarle::CustomerForm::readInvoiceAddress(*config)
                           : Brenmarle::Address());
    m_error.create(this, sizer());
}

void BrenmarleWizard::InvoiceAddressPage::afterShow()
{
    m_fields.name->SetFocus();
}

void BrenmarleWizard::InvoiceAddressPage::onNext(wxCommandEvent&)
{
    const Brenmarle::Address address = m_fields.get();
    if (refuse(Brenmarle::CustomerForm::checkDeliveryAddress(address)))
        return;
    if (Quorvel::ConfigFile* config = wizard()->getInvoiceConfig())
        Brenmarle::CustomerForm::writeInvoiceAddress(*config, address);
    PaymentData invoice;
    invoice.set(PaymentData::NAME, utf8(address.name));
    invoice.set(PaymentData::ADDRESS1, utf8(address.addressLine1));
    invoice.set(PaymentData::ADDRESS2, utf8(address.addressLine2));
    invoice.set(PaymentData::POSTAL_CODE, utf8(address.postalCode));
    invoice.set(PaymentData::CITY, utf8(address.city));
    wizard()->sendPaymentDetails(m_option.id, invoice.toText());
}

void BrenmarleWizard::InvoiceAddressPage::retryOperation()
{
    wxCommandEvent next;
    onNext(next);
}

// ---- Issuer check ---------------------------------------------------------------------------

BrenmarleWizard::IssuerCheckPage::IssuerCheckPage(BrenmarleWizard* wizard,
                                                  const wxString& issuerAddress)
    : PaymentPage(wizard, _("Confirm the payment with your card issuer")), m_address(issuerAddress)
{
    WF::addText(this, sizer(),
                _("Your card issuer asks you to confirm this payment on its own web page. "
                  "Confirm it there, then click 'Next' to continue."));
    m_open = new wxButton(this, wxID_ANY, _("Open the card issuer's page"));
    sizer()->Add(m_open, wxSizerFlags().Border(wxALL, WF::BORDER));
    m_error.create(this, sizer());
    // Only a secure page of a valid host is opened: the address came from a server.
    if (BrenmarleWizard::isIssuerAddress(m_address)) {
        m_open->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) {
            if (!Quorvel::BrowserLink::open(m_address))
                refuse(_("The card issuer's page could not be opened"));
        });
    } else {
        m_open->Disable();
        m_error.report(*this, _("The card issuer's page is not a secure (https) address, so it "
                                "was not opened"));
    }
}

void BrenmarleWizard::IssuerCheckPage::onNext(wxCommandEvent&)
{
    wizard()->pollPayment(true);
}
