#include "sharing/SharingPages.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/gauge.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "sharing/ShareRecipients.h"
#include "threads/TaskEvent.h"
#include "ui/Accessibility.h"

using WF = WizardForm;

// ---- Common parts -----------------------------------------------------------------------

// ---- Method --------------------------------------------------------------------------------

namespace {

struct MethodText {
    wxString title;
    wxString line;
};

MethodText textOf(SharingWizard::Method method)
{
    switch (method) {
    case SharingWizard::OVER_INTERNET:
        return {_("Share Photos Over Internet"), _("Photos are only accessible by recipients")};
    case SharingWizard::BY_MMS:
        return {_("Send To Mobile Phone"), _("Recipients must support MMS")};
    case SharingWizard::AS_PRINTS:
        return {_("Share Printed Photos"), _("Order prints delivered to a mailing address")};
    case SharingWizard::BY_EMAIL:
        break;
    }
    return {_("Send As Email Attachments"), _("Using your default email client")};
}

wxString methodQuestion(size_t pictures)
{
    return pictures == 1 ? _("How would you like to share the photo?")
                         : wxString::Format(_("How would you like to share the %d photos?"),
                                            static_cast<int>(pictures));
}

} // namespace

SharingWizard::SharingMethodPage::SharingMethodPage(SharingWizard* wizard)
    : SharingPage(wizard, methodQuestion(wizard->getPictures().size()), STEP_METHOD)
{
    bool first = true;
    for (Method method : wizard->getOfferedMethods()) {
        const MethodText text = textOf(method);
        auto* choice = new wxRadioButton(this, wxID_ANY, text.title, wxDefaultPosition,
                                         wxDefaultSize, first ? wxRB_GROUP : 0);
        choice->SetFont(choice->GetFont().Bold());
        Quorvel::setAccessibleDescription(*choice, text.line);
        sizer()->Add(choice, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
        auto* line = new wxStaticText(this, wxID_ANY, text.line);
        sizer()->Add(line, wxSizerFlags().Border(wxLEFT, 3 * WF::BORDER));
        m_choices.emplace_back(method, choice);
        if (first || method == wizard->getPreselectedMethod())
            choice->SetValue(true);
        first = false;
    }
    m_error.create(this, sizer());
}

wxRadioButton* SharingWizard::SharingMethodPage::getChoice(Method method) const
{
    for (const auto& [offered, choice] : m_choices) {
        if (offered == method)
            return choice;
    }
    return nullptr;
}

void SharingWizard::SharingMethodPage::onNext(wxCommandEvent&)
{
    for (const auto& [method, choice] : m_choices) {
        if (choice->GetValue()) {
            refuse(wizard()->chooseMethod(method));
            return;
        }
    }
}

// ---- Account -------------------------------------------------------------------------------

namespace {

MethodText accountText(SharingWizard::Method method)
{
    switch (method) {
    case SharingWizard::BY_MMS:
        return {_("Account needed for MMS sharing!"),
                _("You need to register a FREE account in order to share photos via MMS. This "
                  "assistant will aid you in registering one.")};
    case SharingWizard::AS_PRINTS:
        return {_("Account needed for sharing prints!"),
                _("You need to register a FREE account in order to share prints. This "
                  "assistant will aid you in registering one.")};
    default:
        return {_("Account needed for web sharing!"),
                _("You need to register a FREE account in order to share photos via web. This "
                  "assistant will aid you in registering one.")};
    }
}

} // namespace

SharingWizard::AccountNeededPage::AccountNeededPage(SharingWizard* wizard, Method method)
    : SharingPage(wizard, accountText(method).title, STEP_METHOD)
{
    m_text = WF::addText(this, sizer(), accountText(method).line);
}

void SharingWizard::AccountNeededPage::afterShow()
{
    if (!wizard()->hasAccount())
        getWizard()->setButtonLabel(Quorvel::Wizard::ID_NEXT, _("Register Account"));
}

void SharingWizard::AccountNeededPage::accountReady()
{
    m_text->SetLabel(_("Click next to go on with sharing your photos."));
    m_text->Wrap(WF::WRAP_WIDTH);
    Layout();
    getWizard()->setButtonLabel(Quorvel::Wizard::ID_NEXT, _("Next"));
}

void SharingWizard::AccountNeededPage::onNext(wxCommandEvent&)
{
    if (!wizard()->hasAccount()) {
        wizard()->continueAfterAccount();
        return;
    }
    getWizard()->setButtonLabel(Quorvel::Wizard::ID_NEXT, _("Next"));
    wizard()->chooseMethod(wizard()->getMethod());
}

// ---- Recipients ----------------------------------------------------------------------------

SharingRecipientsPage::SharingRecipientsPage(SharingWizard* wizard, const wxString& title,
                                             const wxString& prompt)
    : SharingPage(wizard, title, SharingWizard::STEP_RECIPIENTS)
{
    WF::addText(this, sizer(), prompt);
    m_recipients = new wxTextCtrl(this, wxID_ANY);
    Quorvel::setAccessibleName(*m_recipients, prompt.BeforeLast(':'));
    sizer()->Add(m_recipients,
                 wxSizerFlags().Expand().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
}

void SharingRecipientsPage::addSizes(const wxString& label, SharingWizard::Method method)
{
    WF::addText(this, sizer(), label);
    m_sizes = new wxChoice(this, wxID_ANY);
    Quorvel::setAccessibleName(*m_sizes, label.BeforeLast(':'));
    const int wanted = method == SharingWizard::BY_MMS ? 320 : 640;
    for (const auto& [text, size] : SharingWizard::sizesFor(method)) {
        m_sizes->Append(text);
        m_sizeValues.push_back(size);
        if (size == wanted)
            m_sizes->SetSelection(static_cast<int>(m_sizeValues.size()) - 1);
    }
    sizer()->Add(m_sizes, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
}

void SharingRecipientsPage::afterShow()
{
    m_recipients->SetFocus();
}

wxString SharingRecipientsPage::check(const std::vector<wxString>& recipients) const
{
    return Brenmarle::ShareRecipients::checkAddresses(recipients);
}

void SharingRecipientsPage::onNext(wxCommandEvent&)
{
    const auto recipients = Brenmarle::ShareRecipients::split(m_recipients->GetValue());
    if (refuse(check(recipients)))
        return;
    const int chosen = m_sizes ? m_sizes->GetSelection() : wxNOT_FOUND;
    const int size = chosen == wxNOT_FOUND ? 0 : m_sizeValues[static_cast<size_t>(chosen)];
    wizard()->setRecipients(recipients, size, shareInfo());
}

SharingWizard::ShareByWebPage::ShareByWebPage(SharingWizard* wizard)
    : SharingRecipientsPage(
          wizard, _("Share photos over Internet"),
          _("Type in the email address of the person you would like to share with:"))
{
    addSizes(_("Size to share photos in:"), OVER_INTERNET);
    m_info = new wxCheckBox(this, wxID_ANY, _("Share captions and other information"));
    m_info->SetValue(wizard->getShareInfo());
    sizer()->Add(m_info, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
    m_error.create(this, sizer());
}

bool SharingWizard::ShareByWebPage::shareInfo() const
{
    return m_info->GetValue();
}

SharingWizard::ShareByMmsPage::ShareByMmsPage(SharingWizard* wizard)
    : SharingRecipientsPage(
          wizard, _("Send photos to mobile phone"),
          _("Type in the mobile phone number of the person you would like to share with:"))
{
    addSizes(_("Size to share photos in:"), BY_MMS);
    m_cost = WF::addText(this, sizer(), _("Retrieving MMS pricing..."));
    m_billing = WF::addText(this, sizer(), _("It will be charged to your mobile phone bill."));
    m_billing->Hide();
    m_error.create(this, sizer());
    m_recipients->Bind(wxEVT_TEXT, [this](wxCommandEvent& event) {
        event.Skip();
        if (this->wizard()->hasMmsPrice())
            showPrice();
    });
    if (wizard->hasMmsPrice())
        showPrice();
}

void SharingWizard::ShareByMmsPage::afterShow()
{
    SharingRecipientsPage::afterShow();
    if (!wizard()->hasMmsPrice())
        runOperation();
}

void SharingWizard::ShareByMmsPage::runOperation()
{
    wizard()->fetchMmsPrice();
}

void SharingWizard::ShareByMmsPage::showPrice()
{
    int recipients = 0;
    for (const wxString& number : Brenmarle::ShareRecipients::split(m_recipients->GetValue()))
        recipients += Brenmarle::ShareRecipients::isValidPhone(number) ? 1 : 0;
    const auto& info = wizard()->getMmsInfo();
    m_cost->SetLabel(
        Brenmarle::ShareRecipients::mmsCostText(static_cast<int>(wizard()->getPictures().size()),
                                                recipients, info.currency, info.pricePerMms));
    m_cost->Wrap(WF::WRAP_WIDTH);
    m_billing->Show();
    Layout();
}

void SharingWizard::ShareByMmsPage::onNext(wxCommandEvent& event)
{
    // Nobody shares by MMS without knowing what it costs.
    if (!wizard()->hasMmsPrice()) {
        refuse(_("Could not retrieve MMS pricing"));
        return;
    }
    SharingRecipientsPage::onNext(event);
}

wxString SharingWizard::ShareByMmsPage::check(const std::vector<wxString>& recipients) const
{
    return Brenmarle::ShareRecipients::checkPhones(recipients);
}

SharingWizard::MobileActivationPage::MobileActivationPage(SharingWizard* wizard)
    : SharingPage(wizard, _("Activate your mobile phone"), STEP_RECIPIENTS)
{
    WF::addText(this, sizer(),
                _("MMS messages are charged to your mobile phone bill, so your mobile phone must "
                  "be activated first. Type in its number and click 'Send Code': you will "
                  "receive an activation code by SMS."));
    auto* grid = WF::addGrid(sizer());
    m_phone = WF::addField(this, grid, _("Your mobile phone number:"));
    m_sendCode = new wxButton(this, wxID_ANY, _("Send Code"));
    sizer()->Add(m_sendCode, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, WF::BORDER));
    m_sent = WF::addText(this, sizer(), wxString());
    auto* codeGrid = WF::addGrid(sizer());
    m_code = WF::addField(this, codeGrid, _("Activation code:"));
    m_error.create(this, sizer());
    m_sendCode->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { sendCode(); });
}

void SharingWizard::MobileActivationPage::afterShow()
{
    m_phone->SetFocus();
}

void SharingWizard::MobileActivationPage::sendCode()
{
    const wxString phone = m_phone->GetValue().Strip(wxString::both);
    if (refuse(Brenmarle::ShareRecipients::isValidPhone(phone)
                   ? wxString()
                   : _("You must type in a valid phone number")))
        return;
    wizard()->sendActivationCode(phone);
}

void SharingWizard::MobileActivationPage::codeSent()
{
    m_sent->SetLabel(
        wxString::Format(_("An activation code was sent to %s. Type it in below and click 'Next'."),
                         m_phone->GetValue().Strip(wxString::both)));
    m_sent->Wrap(WF::WRAP_WIDTH);
    Layout();
    m_code->SetFocus();
}

void SharingWizard::MobileActivationPage::onNext(wxCommandEvent&)
{
    const wxString code = m_code->GetValue().Strip(wxString::both);
    if (refuse(code.empty() ? _("Type in the activation code you received") : wxString()))
        return;
    wizard()->activateMobile(code);
}

SharingWizard::ShareByEmailPage::ShareByEmailPage(SharingWizard* wizard)
    : SharingRecipientsPage(
          wizard, _("Send photos as email attachments"),
          _("Type in the email address of the person you would like to share with:"))
{
    addSizes(_("Size to share photos in:"), BY_EMAIL);
    WF::addText(this, sizer(), _("The email will be sent with your preferred email application!"));
    m_error.create(this, sizer());
}

// ---- Prints --------------------------------------------------------------------------------

SharingWizard::ShareByPrintsPage::ShareByPrintsPage(SharingWizard* wizard)
    : SharingPage(wizard, _("Share printed photos"), STEP_RECIPIENTS)
{
    WF::addText(this, sizer(),
                _("To share the chosen photos on prints just click add to add them to the "
                  "shopping cart."));
    WF::addText(this, sizer(),
                _("When you go to the order checkout, you can choose to send the prints to a "
                  "mailing address of your choice."));
}

void SharingWizard::ShareByPrintsPage::afterShow()
{
    getWizard()->setButtonLabel(Quorvel::Wizard::ID_NEXT, _("Add"));
}

void SharingWizard::ShareByPrintsPage::onNext(wxCommandEvent&)
{
    wizard()->addPrints();
}

// ---- Description ---------------------------------------------------------------------------

SharingWizard::DescriptionPage::DescriptionPage(SharingWizard* wizard)
    : SharingPage(wizard, _("Subject and comment"), STEP_DESCRIPTION)
{
    auto* grid = WF::addGrid(sizer());
    m_subject = WF::addField(this, grid, _("Share subject:"));
    m_subject->ChangeValue(wizard->getSubject());
    m_comment = WF::addField(this, grid, _("Share comment:"), wxTE_MULTILINE);
    m_comment->SetMinSize(wxSize(-1, 80));
    m_comment->ChangeValue(wizard->getComment());
}

void SharingWizard::DescriptionPage::onNext(wxCommandEvent&)
{
    wizard()->setDescription(m_subject->GetValue(), m_comment->GetValue());
}

// ---- Progress ------------------------------------------------------------------------------

SharingProgressPage::SharingProgressPage(SharingWizard* wizard, const wxString& title,
                                         const wxString& status)
    : SharingPage(wizard, title, SharingWizard::STEP_SHARING)
{
    m_status = WF::addText(this, sizer(), status);
    m_gauge = new wxGauge(this, wxID_ANY, 100);
    Quorvel::setAccessibleName(*m_gauge, _("Progress"));
    sizer()->Add(m_gauge, wxSizerFlags().Expand().Border(wxALL, WF::BORDER));
}

void SharingProgressPage::afterShow()
{
    if (!wizard()->isBusy())
        runOperation();
}

void SharingProgressPage::onTaskProgress(Quorvel::TaskEvent& event)
{
    WizardForm::showProgress(event, m_status, m_gauge);
}

SharingWizard::UploadPage::UploadPage(SharingWizard* wizard)
    : SharingProgressPage(wizard, _("Preparing to share photos"), _("Preparing to upload files..."))
{
}

void SharingWizard::UploadPage::runOperation()
{
    wizard()->startShare();
}

void SharingWizard::UploadPage::onTaskProgress(Quorvel::TaskEvent& event)
{
    if (getTitle() != _("Uploading shared photos to server...")) {
        setTitle(_("Uploading shared photos to server..."));
        getWizard()->updateHeader();
    }
    SharingProgressPage::onTaskProgress(event);
}

SharingWizard::EmailPage::EmailPage(SharingWizard* wizard)
    : SharingProgressPage(wizard, _("Send photos as email attachments"),
                          _("Preparing to resize photos..."))
{
}

void SharingWizard::EmailPage::runOperation()
{
    wizard()->startEmail();
}

// ---- Receipt -------------------------------------------------------------------------------

SharingWizard::ReceiptPage::ReceiptPage(SharingWizard* wizard)
    : FinalWizardPage(wizard, wxID_ANY, _("Photos were successfully shared"))
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    SetSizer(sizer);
    WF::addText(this, sizer, _("Photos were successfully shared"), true);
    if (wizard->getMethod() == BY_MMS) {
        WF::addText(this, sizer,
                    _("The photos were successfully shared by MMS to the following recipients:"));
        for (const wxString& recipient : wizard->getServed())
            WF::addText(this, sizer, recipient);
    }
    WF::addText(this, sizer, _("You may now close this assistant!"));
}
