#pragma once
// The account assistant ("Account Registration"): finds the provider in the locator's
// directory, then creates a new account with it or logs in to an existing one, and stores the
// account (AccountSettings) as soon as the provider has accepted it; cancelling before that
// stores nothing. Every call runs in a slave of the wizard with its waiting text; a failure
// shows its error text with the reason on the wizard's error page.
//
// Entry point for the main window: run() shows it modally and returns the dialog's result
// (wxID_OK once an account was stored).
//
// GUI thread only.

#include <memory>

#include "service/LocatorClient_1_0.h"
#include "service/PortalClient_3_0.h"
#include "service/PortalClient_3_0_Slave.h"
#include "widgets/BrenmarleWizard.h"

namespace Quorvel {
class Configuration;
class NetworkSettings;
} // namespace Quorvel

class RegisterAccountDialog : public BrenmarleWizard {
public:
    enum Path { NEW_ACCOUNT, EXISTING_ACCOUNT };
    // Side-bar steps.
    enum Step { STEP_START, STEP_PROVIDER, STEP_ACCOUNT, STEP_DONE };

    // `configuration` and `settings` (the process's when null) must outlive the dialog.
    RegisterAccountDialog(wxWindow* parent, Path path, Quorvel::Configuration& configuration,
                          Quorvel::NetworkSettings* settings = nullptr);
    ~RegisterAccountDialog() override;

    // `restore` (may be null) tells whether the user asked for the pictures in safe storage.
    static int run(wxWindow* parent, Path path, Quorvel::Configuration& configuration,
                   bool* restore = nullptr);

    Path getPath() const { return m_path; }
    void setPath(Path path) { m_path = path; }
    const Brenmarle::PortalClient_3_0::PortalInformation& getPortal() const { return m_portal; }
    const Brenmarle::PortalClient_3_0::RegistrationToken& getToken() const { return m_token; }
    // The portal's address for the provider's own web pages ("http://<host>").
    wxString getPortalWebAddress() const;
    // An account was stored (the main window updates its account commands).
    bool hasStoredAccount() const { return m_stored; }
    // The user ticked "Download your pictures from safe storage" on the last page.
    bool isRestoreRequested() const { return m_restore; }
    void setRestoreRequested(bool restore) { m_restore = restore; }

    // The service steps; each shows its waiting text and, when it succeeds, the next page.
    void listDirectory(const wxString& path);
    void lookUpPortal(const wxString& portalId);
    void fetchTerms();
    void fetchToken();
    void createAccount(const wxString& emailAddress, const wxString& password,
                       const wxString& letters);
    void validateAccount(const wxString& emailAddress, const wxString& password);
    // Tells the provider the new account wishes to receive information by e-mail; the
    // assistant ends once it has answered.
    void askForEmailInformation();

    class IntroPage;
    class ListPage;
    class PortalInfoPage;
    class TermsOfServicePage;
    class RegistrationPage;
    class AccountCreatedPage;
    class LoginPage;
    class AccountVerifiedPage;

protected:
    void onSlaveSucceeded(Quorvel::SlaveManagerEvent& event) override;

private:
    void runPortalSlave(Brenmarle::PortalClient_3_0_Slave::Operation operation,
                        const Brenmarle::PortalClient_3_0::Arguments& arguments,
                        const wxString& busyText, const wxString& errorText,
                        const wxString& user = wxString(), const wxString& password = wxString());
    void portalSucceeded(int operation);
    // Stores the account the provider accepted; a failure goes to the error page.
    bool storeAccount(const wxString& accountId, const wxString& errorText);
    Quorvel::ServiceAddress locatorAddress() const;

    Path m_path;
    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;
    wxString m_language;
    Brenmarle::PortalClient_3_0::PortalInformation m_portal;
    Brenmarle::PortalClient_3_0::RegistrationToken m_token;
    wxString m_emailAddress;
    wxString m_password;
    wxString m_accountId;
    // The results of the slave under way, read when its finished event comes.
    std::shared_ptr<Brenmarle::LocatorClient_1_0::Listing> m_listing;
    std::shared_ptr<Brenmarle::PortalClient_3_0_Slave::Result> m_result;
    bool m_stored = false;
    bool m_restore = false;
};
