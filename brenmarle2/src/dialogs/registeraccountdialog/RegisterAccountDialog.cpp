#include "dialogs/registeraccountdialog/RegisterAccountDialog.h"

#include <algorithm>
#include <utility>
#include <vector>

#include <wx/checkbox.h>
#include <wx/hyperlink.h>
#include <wx/image.h>
#include <wx/listbox.h>
#include <wx/mstream.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbmp.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "service/AccountSettings.h"
#include "service/LocatorClient_1_0_Slave.h"
#include "service/NetworkSettings.h"
#include "service/PortalId.h"
#include "service/RegistrationForm.h"
#include "service/SoapNamespaces.h"
#include "system/BrowserLink.h"
#include "system/ConfigFile.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/SlaveManagerEvent.h"
#include "ui/Accessibility.h"
#include "widgets/FinalWizardPage.h"
#include "widgets/WizardForm.h"
#include "widgets/WizardPage.h"

using Brenmarle::AccountSettings;
using Brenmarle::LocatorClient_1_0;
using Brenmarle::PortalClient_3_0;
using Brenmarle::PortalClient_3_0_Slave;

namespace {

constexpr int BORDER = WizardForm::BORDER;
constexpr int WRAP_WIDTH = WizardForm::WRAP_WIDTH;
// A token picture narrower than this is shown twice as large, so its letters can be read.
constexpr int SMALL_TOKEN_WIDTH = 200;

// A labelled text field with room for its error right under it. The label names the field for
// a screen reader too.
struct Field {
    wxTextCtrl* text = nullptr;
    wxStaticText* error = nullptr;
};

Field addField(wxWindow* page, wxFlexGridSizer* grid, const wxString& label, const wxString& name,
               long style = 0)
{
    auto* caption = new wxStaticText(page, wxID_ANY, label);
    Field field;
    field.text =
        new wxTextCtrl(page, wxID_ANY, wxString(), wxDefaultPosition, wxDefaultSize, style);
    field.text->SetName(name);
    Quorvel::setAccessibleName(*field.text, wxStripMenuCodes(label).BeforeLast(':'));
    // The caption stays level with the field when an error opens up below the field.
    const int offset = std::max(0, (field.text->GetBestSize().y - caption->GetBestSize().y) / 2);
    grid->Add(caption, wxSizerFlags().Top().Border(wxTOP, offset));
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(field.text, wxSizerFlags().Expand());
    field.error = new wxStaticText(page, wxID_ANY, wxString());
    field.error->SetName(name + "Error");
    field.error->SetForegroundColour(*wxRED);
    field.error->Hide();
    column->Add(field.error, wxSizerFlags().Border(wxTOP, 2));
    grid->Add(column, wxSizerFlags().Expand());
    return field;
}

// Shows `problem` beside the field it concerns (and in the header), clears the others' errors,
// and moves the focus to that field; a screen reader reads the error as the text after the
// field and as its description.
void showFieldErrors(
    Quorvel::Wizard::Page& page,
    const std::vector<std::pair<Brenmarle::RegistrationForm::Field, Field>>& fields,
    const Brenmarle::RegistrationForm::Problem& problem)
{
    for (const auto& [id, field] : fields) {
        const bool concerned = id == problem.field;
        field.error->SetLabel(concerned ? problem.message : wxString());
        // As wide as its field, whose width the page has laid out by now.
        field.error->Wrap(std::max(field.text->GetSize().x, WRAP_WIDTH / 3));
        field.error->Show(concerned);
        field.text->SetToolTip(concerned ? problem.message : wxString());
        if (concerned)
            field.text->SetFocus();
    }
    page.Layout();
    page.getWizard()->updateHeader();
}

// The page's error, in red under its one control (the list, the check box) and in the header.
using ErrorLine = WizardForm::ErrorLine;

RegisterAccountDialog* dialogOf(const Quorvel::Wizard::Page& page)
{
    return static_cast<RegisterAccountDialog*>(page.getWizard());
}

// A page whose Next starts a service step: Retry after a refused connection repeats it.
class StepPage : public Quorvel::Wizard::Page {
public:
    using Page::Page;
    bool isRetryPoint() const override { return true; }
    void retryOperation() override
    {
        wxCommandEvent next(wxEVT_BUTTON, Quorvel::Wizard::ID_NEXT);
        onNext(next);
    }
};

// A link opened in the browser through the desktop, http and https only.
wxHyperlinkCtrl* addLink(wxWindow* page, wxSizer* sizer, const wxString& label, const wxString& url)
{
    auto* link = new wxHyperlinkCtrl(page, wxID_ANY, label, url);
    link->Bind(wxEVT_HYPERLINK,
               [](wxHyperlinkEvent& event) { Quorvel::BrowserLink::open(event.GetURL()); });
    sizer->Add(link, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
    return link;
}

} // namespace

// ---- The pages ---------------------------------------------------------------------------

class RegisterAccountDialog::IntroPage : public StepPage {
public:
    explicit IntroPage(RegisterAccountDialog* dialog)
        : StepPage(dialog, wxID_ANY, _("Welcome to the account registration assistant"))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(
            this, sizer,
            _("This assistant will guide you through creating a new account or help you "
              "connect to an existing account."));
        m_newAccount = new wxRadioButton(this, wxID_ANY, _("I want to create a new account"),
                                         wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
        m_existing = new wxRadioButton(this, wxID_ANY, _("I already have an existing account"));
        (dialog->getPath() == NEW_ACCOUNT ? m_newAccount : m_existing)->SetValue(true);
        sizer->Add(m_newAccount, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        sizer->Add(m_existing, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        WizardForm::addText(this, sizer,
                            _("(Creating an account is completely FREE and does not commit you to "
                              "purchasing any products or services)"));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_START; }
    void onNext(wxCommandEvent&) override
    {
        RegisterAccountDialog* dialog = dialogOf(*this);
        dialog->setPath(m_newAccount->GetValue() ? NEW_ACCOUNT : EXISTING_ACCOUNT);
        dialog->listDirectory(wxString());
    }

private:
    wxRadioButton* m_newAccount;
    wxRadioButton* m_existing;
};

// One level of the directory: its folders (and any portals beside them), or its portals.
class RegisterAccountDialog::ListPage : public StepPage {
public:
    ListPage(RegisterAccountDialog* dialog, const LocatorClient_1_0::Listing& listing)
        : StepPage(dialog, wxID_ANY,
                   listing.directories.empty() ? _("Please choose a photo services provider")
                                               : _("Please choose an entry from the list below")),
          m_listing(listing)
    {
        setDescription(listing.description);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(this, sizer, getTitle());
        m_list = new wxListBox(this, wxID_ANY);
        for (const auto& directory : listing.directories)
            m_list->Append(directory.name);
        for (const auto& portal : listing.portals)
            m_list->Append(portal.location.empty()
                               ? portal.name
                               : wxString::Format("%s (%s)", portal.name, portal.location));
        Quorvel::setAccessibleName(*m_list, getTitle());
        m_list->Bind(wxEVT_LISTBOX_DCLICK, [this](wxCommandEvent&) { pressNext(); });
        sizer->Add(m_list, wxSizerFlags(1).Expand().Border(wxALL, BORDER));
        m_error.create(this, sizer);
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_PROVIDER; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error.error(); }
    void onNext(wxCommandEvent&) override
    {
        const int chosen = m_list->GetSelection();
        const int directories = static_cast<int>(m_listing.directories.size());
        if (chosen == wxNOT_FOUND) {
            m_error.report(*this, directories ? _("You must choose an entry from the list")
                                              : _("You must select a service provider"));
            m_list->SetFocus();
            return;
        }
        m_error.report(*this, wxString());
        if (chosen < directories)
            dialogOf(*this)->listDirectory(m_listing.directories[chosen].path);
        else
            dialogOf(*this)->lookUpPortal(m_listing.portals[chosen - directories].path);
    }
    wxListBox* getList() const { return m_list; }

private:
    LocatorClient_1_0::Listing m_listing;
    wxListBox* m_list;
    ErrorLine m_error;
};

class RegisterAccountDialog::PortalInfoPage : public StepPage {
public:
    explicit PortalInfoPage(RegisterAccountDialog* dialog)
        : StepPage(dialog, wxID_ANY,
                   wxString::Format(_("Sign up with %s?"), dialog->getPortal().name))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(this, sizer, dialog->getPortal().name, true);
        if (!dialog->getPortal().description.empty())
            WizardForm::addText(this, sizer, dialog->getPortal().description);
        WizardForm::addText(this, sizer, _("Click next to continue signing up..."));
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_PROVIDER; }
    void onNext(wxCommandEvent&) override;
};

class RegisterAccountDialog::TermsOfServicePage : public StepPage {
public:
    TermsOfServicePage(RegisterAccountDialog* dialog, const wxString& terms)
        : StepPage(dialog, wxID_ANY, _("Terms of service"))
    {
        setDescription(dialog->getPortal().name);
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        auto* text = new wxTextCtrl(this, wxID_ANY, terms, wxDefaultPosition, wxDefaultSize,
                                    wxTE_MULTILINE | wxTE_READONLY | wxTE_BESTWRAP);
        Quorvel::setAccessibleName(*text, _("Terms of service"));
        sizer->Add(text, wxSizerFlags(1).Expand().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        WizardForm::addText(this, sizer, wxString::Format(_("Click '%s' to continue"), _("Next")));
        m_accept = new wxCheckBox(this, wxID_ANY, _("I have read and accept the terms of service"));
        sizer->Add(m_accept, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        m_error.create(this, sizer);
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_ACCOUNT; }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_error.error(); }
    void onNext(wxCommandEvent&) override
    {
        if (!m_accept->GetValue()) {
            m_error.report(*this, _("You must accept the terms of service to continue"));
            m_accept->SetFocus();
            return;
        }
        m_error.report(*this, wxString());
        dialogOf(*this)->fetchToken();
    }
    wxCheckBox* getAccept() const { return m_accept; }

private:
    wxCheckBox* m_accept;
    ErrorLine m_error;
};

class RegisterAccountDialog::RegistrationPage : public StepPage {
public:
    using Form = Brenmarle::RegistrationForm;

    explicit RegistrationPage(RegisterAccountDialog* dialog)
        : StepPage(dialog, wxID_ANY, _("Enter your email address and choose a password"))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(
            this, sizer,
            _("Please enter your email address and choose a (preferably hard to guess) "
              "password for your new account."));
        wxFlexGridSizer* grid = WizardForm::addGrid(sizer);
        m_email = addField(this, grid, _("Email address:"), "EmailAddress");
        m_password = addField(this, grid, _("New password:"), "NewPassword", wxTE_PASSWORD);
        m_reentered = addField(this, grid, _("Re-enter:"), "ReenteredPassword", wxTE_PASSWORD);
        auto* picture = new wxStaticBitmap(this, wxID_ANY, tokenBitmap(dialog->getToken().png));
        Quorvel::setAccessibleName(*picture, _("Registration token picture"));
        sizer->Add(picture, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        wxFlexGridSizer* letters = WizardForm::addGrid(sizer);
        m_letters = addField(this, letters, _("Type the displayed letters:"), "Letters");
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_ACCOUNT; }
    void afterShow() override { m_email.text->SetFocus(); }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_problem; }
    void onNext(wxCommandEvent&) override
    {
        const Form::Problem problem =
            Form::checkNewAccount(m_email.text->GetValue(), m_password.text->GetValue(),
                                  m_reentered.text->GetValue(), m_letters.text->GetValue());
        m_problem = problem.message;
        showFieldErrors(*this,
                        {{Form::EMAIL_ADDRESS, m_email},
                         {Form::PASSWORD, m_password},
                         {Form::REENTERED_PASSWORD, m_reentered},
                         {Form::LETTERS, m_letters}},
                        problem);
        if (!problem.exists())
            dialogOf(*this)->createAccount(m_email.text->GetValue().Strip(wxString::both),
                                           m_password.text->GetValue(),
                                           m_letters.text->GetValue().Strip(wxString::both));
    }

private:
    // The checked PNG bytes (TokenPicture) as a picture large enough to read.
    static wxBitmap tokenBitmap(const std::string& png)
    {
        // The program adds the handler at start; the toolkit owns it once added.
        if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
            wxImage::AddHandler(new wxPNGHandler);
        wxMemoryInputStream stream(png.data(), png.size());
        wxImage image(stream, wxBITMAP_TYPE_PNG);
        if (!image.IsOk())
            return wxBitmap();
        if (image.GetWidth() < SMALL_TOKEN_WIDTH)
            image.Rescale(image.GetWidth() * 2, image.GetHeight() * 2, wxIMAGE_QUALITY_NEAREST);
        return wxBitmap(image);
    }
    Field m_email;
    Field m_password;
    Field m_reentered;
    Field m_letters;
    wxString m_problem;
};

// The last page of either path: the account is stored; only Close remains.
class DonePage : public FinalWizardPage {
public:
    DonePage(RegisterAccountDialog* dialog, const wxString& title, const wxString& text,
             const wxString& webText, const wxString& checkBox)
        : FinalWizardPage(dialog, wxID_ANY, title)
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(this, sizer, text);
        WizardForm::addText(this, sizer, webText);
        const wxString web = dialog->getPortal().websiteUrl;
        if (Quorvel::BrowserLink::isOpenable(web))
            addLink(this, sizer, web, web);
        m_check = new wxCheckBox(this, wxID_ANY, checkBox);
        sizer->Add(m_check, wxSizerFlags().Border(wxLEFT | wxRIGHT | wxTOP, BORDER));
        SetSizer(sizer);
    }
    int getStep() const override { return RegisterAccountDialog::STEP_DONE; }
    bool isChecked() const { return m_check->GetValue(); }

private:
    wxCheckBox* m_check;
};

class RegisterAccountDialog::AccountCreatedPage : public DonePage {
public:
    explicit AccountCreatedPage(RegisterAccountDialog* dialog)
        : DonePage(dialog, _("Your new account was successfully created"),
                   _("Your new account was successfully registered. A confirmation will be "
                     "sent you by email"),
                   _("Your account is also accessible on the web:"),
                   _("I wish to receive information by e-mail"))
    {
    }
    void onNext(wxCommandEvent& event) override
    {
        if (isChecked())
            dialogOf(*this)->askForEmailInformation();
        else
            DonePage::onNext(event);
    }
};

class RegisterAccountDialog::LoginPage : public StepPage {
public:
    using Form = Brenmarle::RegistrationForm;

    explicit LoginPage(RegisterAccountDialog* dialog)
        : StepPage(dialog, wxID_ANY, _("Enter your registered email address and password"))
    {
        auto* sizer = new wxBoxSizer(wxVERTICAL);
        WizardForm::addText(
            this, sizer,
            wxString::Format(_("Please type in your email address and password as "
                               "registered with %s. Remember that the system differs "
                               "between upper and lower case characters"),
                             dialog->getPortal().name));
        wxFlexGridSizer* grid = WizardForm::addGrid(sizer);
        m_email = addField(this, grid, _("Email address:"), "EmailAddress");
        m_password = addField(this, grid, _("Password:"), "Password", wxTE_PASSWORD);
        const wxString reminder = dialog->getPortalWebAddress() + "/go/passwordreminder";
        addLink(this, sizer, _("I forgot my password"), reminder);
        SetSizer(sizer);
    }
    int getStep() const override { return STEP_ACCOUNT; }
    void afterShow() override { m_email.text->SetFocus(); }
    void getHeaderMessages(wxString& error, wxString&) const override { error = m_problem; }
    void onNext(wxCommandEvent&) override
    {
        const Form::Problem problem =
            Form::checkLogin(m_email.text->GetValue(), m_password.text->GetValue());
        m_problem = problem.message;
        showFieldErrors(*this, {{Form::EMAIL_ADDRESS, m_email}, {Form::PASSWORD, m_password}},
                        problem);
        if (!problem.exists())
            dialogOf(*this)->validateAccount(m_email.text->GetValue().Strip(wxString::both),
                                             m_password.text->GetValue());
    }

private:
    Field m_email;
    Field m_password;
    wxString m_problem;
};

class RegisterAccountDialog::AccountVerifiedPage : public DonePage {
public:
    explicit AccountVerifiedPage(RegisterAccountDialog* dialog)
        : DonePage(dialog, _("Account login succeeded"),
                   _("Your email address and password was accepted by the server."),
                   _("Remember that your account is also accessible on the web:"),
                   _("Download your pictures from safe storage"))
    {
    }
    void onNext(wxCommandEvent& event) override
    {
        // The synchronisation starts once the assistant is gone: it needs the account stored
        // and the main window back.
        dialogOf(*this)->setRestoreRequested(isChecked());
        DonePage::onNext(event);
    }
};

void RegisterAccountDialog::PortalInfoPage::onNext(wxCommandEvent&)
{
    RegisterAccountDialog* dialog = dialogOf(*this);
    if (dialog->getPath() == NEW_ACCOUNT)
        dialog->fetchTerms();
    else
        dialog->pushPage(new LoginPage(dialog));
}

// ---- The dialog --------------------------------------------------------------------------

RegisterAccountDialog::RegisterAccountDialog(wxWindow* parent, Path path,
                                             Quorvel::Configuration& configuration,
                                             Quorvel::NetworkSettings* settings)
    : BrenmarleWizard(parent, _("Account Registration"),
                      {_("Start"), _("Service provider"), _("Account"), _("Done")}),
      m_path(path), m_configuration(configuration),
      m_settings(settings ? *settings : Quorvel::NetworkSettings::get())
{
    SetName("RegisterAccountDialog");
    m_language = Quorvel::ConfigFile::getLocaleName().BeforeFirst('_');
    if (m_language.empty() || m_language == "C")
        m_language = "en";
    pushPage(new IntroPage(this));
    QDEBUG("[REGISTERACCOUNTDIALOG] Opened for %s",
           path == NEW_ACCOUNT ? "a new account" : "an existing account");
}

RegisterAccountDialog::~RegisterAccountDialog() = default;

int RegisterAccountDialog::run(wxWindow* parent, Path path, Quorvel::Configuration& configuration,
                               bool* restore)
{
    auto* dialog = new RegisterAccountDialog(parent, path, configuration);
    const int result = dialog->ShowModal();
    if (restore)
        *restore = result == wxID_OK && dialog->isRestoreRequested();
    dialog->Destroy();
    return result;
}

Quorvel::ServiceAddress RegisterAccountDialog::locatorAddress() const
{
    Quorvel::ConfigFile& global = m_configuration.getGlobalConfig();
    wxString host;
    global.readString("registration/locatorserverhost", host,
                      "locator." + Quorvel::SoapNamespaces::getServiceDomain());
    long port = LocatorClient_1_0::REDIRECT_PORT;
    global.readLong("registration/locatorserverport", port, port);
    return {host, static_cast<int>(port), wxString(), wxString()};
}

wxString RegisterAccountDialog::getPortalWebAddress() const
{
    if (!Brenmarle::PortalId::isValid(m_portal.portalId))
        return wxString();
    int port = 80;
    m_configuration.getGlobalConfig().readInt("internet/webserviceport", port, 80);
    const wxString host = Brenmarle::PortalId::hostOf(m_portal.portalId);
    return port == 80 ? "http://" + host : wxString::Format("http://%s:%d", host, port);
}

void RegisterAccountDialog::listDirectory(const wxString& path)
{
    wxString listed = path;
    if (listed.empty())
        m_configuration.getGlobalConfig().readString("registration/locatorbasepath", listed, "/");
    QDEBUG("[REGISTERACCOUNTDIALIG] Get directory contents of %s using language %s", listed,
           m_language);
    auto slave = std::make_unique<Brenmarle::LocatorClient_1_0_Slave>(locatorAddress(), listed,
                                                                      m_language, &m_settings);
    m_listing = slave->getResult();
    m_result.reset();
    runSlave(std::move(slave), SIZE_MAX, _("Searching for service providers - please wait"),
             _("Could not look up list of service providers"));
}

void RegisterAccountDialog::lookUpPortal(const wxString& portalId)
{
    QDEBUG("[REGISTERACCOUNTDIALIG] Look up portal %s", portalId);
    PortalClient_3_0::Arguments arguments;
    arguments.portalId = portalId;
    arguments.language = m_language;
    m_portal.portalId = portalId;
    runPortalSlave(PortalClient_3_0_Slave::GET_PORTAL_INFORMATION, arguments,
                   _("Retrieving service provider info - please wait"),
                   _("Could not find service provider information"));
}

void RegisterAccountDialog::fetchTerms()
{
    runPortalSlave(PortalClient_3_0_Slave::GET_TERMS_OF_SERVICE, {},
                   _("Retrieving terms of service - please wait"),
                   _("Could not retrieve terms of service"));
}

void RegisterAccountDialog::fetchToken()
{
    QDEBUG("[REGISTERACCOUNTDIALIG] Get registration token for %s", m_portal.portalId);
    runPortalSlave(PortalClient_3_0_Slave::GET_REGISTRATION_TOKEN, {},
                   _("Retrieving registration token - please wait"),
                   _("Could not get registration token (needed to sign up)"));
}

void RegisterAccountDialog::createAccount(const wxString& emailAddress, const wxString& password,
                                          const wxString& letters)
{
    PortalClient_3_0::Arguments arguments;
    arguments.tokenId = m_token.id;
    arguments.tokenText = letters;
    arguments.portalId = m_portal.portalId;
    arguments.emailAddress = emailAddress;
    arguments.password = password;
    m_emailAddress = emailAddress;
    m_password = password;
    runPortalSlave(PortalClient_3_0_Slave::CREATE_ACCOUNT, arguments, _("Registering account..."),
                   _("Could not register account"));
}

void RegisterAccountDialog::validateAccount(const wxString& emailAddress, const wxString& password)
{
    m_emailAddress = emailAddress;
    m_password = password;
    runPortalSlave(PortalClient_3_0_Slave::GET_ACCOUNT_ID, {},
                   _("Validating email and password..."), _("Could not validate account"),
                   emailAddress, password);
}

void RegisterAccountDialog::askForEmailInformation()
{
    PortalClient_3_0::Arguments arguments;
    arguments.receiveEmail = true;
    // The portal knows the account by its id.
    runPortalSlave(PortalClient_3_0_Slave::SET_RECEIVE_EMAIL_INFORMATION, arguments,
                   _("Saving your choice..."), _("Could not save your choice"), m_accountId,
                   m_password);
}

void RegisterAccountDialog::runPortalSlave(PortalClient_3_0_Slave::Operation operation,
                                           const PortalClient_3_0::Arguments& arguments,
                                           const wxString& busyText, const wxString& errorText,
                                           const wxString& user, const wxString& password)
{
    try {
        Quorvel::ServiceAddress address{Brenmarle::PortalId::hostOf(m_portal.portalId), 80, user,
                                        password};
        m_configuration.getGlobalConfig().readInt("internet/webserviceport", address.port, 80);
        auto slave =
            std::make_unique<PortalClient_3_0_Slave>(operation, address, arguments, &m_settings);
        m_result = slave->getResult();
        m_listing.reset();
        runSlave(std::move(slave), SIZE_MAX, busyText, errorText);
    } catch (const Quorvel::Exception& e) {
        showFailure(errorText, e);
    }
}

void RegisterAccountDialog::onSlaveSucceeded(Quorvel::SlaveManagerEvent& event)
{
    if (m_listing) {
        const auto listing = std::move(m_listing);
        pushPage(new ListPage(this, *listing));
        return;
    }
    if (m_result)
        portalSucceeded(event.getFirstNumber());
}

void RegisterAccountDialog::portalSucceeded(int operation)
{
    const auto result = std::move(m_result);
    switch (operation) {
    case PortalClient_3_0_Slave::GET_PORTAL_INFORMATION:
        // The portal the user chose, whatever id the reply names.
        result->portalInformation.portalId = m_portal.portalId;
        m_portal = result->portalInformation;
        QDEBUG("[REGISTERACCOUNTDIALOG] Found portal %s", m_portal.portalId);
        pushPage(new PortalInfoPage(this));
        break;
    case PortalClient_3_0_Slave::GET_TERMS_OF_SERVICE:
        pushPage(new TermsOfServicePage(this, result->terms));
        break;
    case PortalClient_3_0_Slave::GET_REGISTRATION_TOKEN:
        m_token = result->token;
        QDEBUG("[REGISTERACCOUNTDIALOG] Got registration token %s", m_token.id);
        pushPage(new RegistrationPage(this));
        break;
    case PortalClient_3_0_Slave::CREATE_ACCOUNT:
        if (storeAccount(result->accountId, _("Could not register account")))
            pushPage(new AccountCreatedPage(this));
        break;
    case PortalClient_3_0_Slave::GET_ACCOUNT_ID:
        if (storeAccount(result->accountId, _("Could not validate account")))
            pushPage(new AccountVerifiedPage(this));
        break;
    case PortalClient_3_0_Slave::SET_RECEIVE_EMAIL_INFORMATION:
        endWizard(wxID_OK);
        break;
    default:
        break;
    }
}

bool RegisterAccountDialog::storeAccount(const wxString& accountId, const wxString& errorText)
{
    try {
        if (accountId.empty())
            throw Quorvel::RuntimeException(_("Empty return data"));
        AccountSettings::store(m_configuration, {accountId, m_emailAddress, m_password,
                                                 m_portal.portalId, m_portal.name});
        m_accountId = accountId;
        m_stored = true;
        return true;
    } catch (const Quorvel::Exception& e) {
        showFailure(errorText, e);
        return false;
    }
}
