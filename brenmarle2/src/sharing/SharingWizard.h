#pragma once
// The sharing assistant ("Photo Sharing Assistant"): shares the chosen pictures over the
// internet, by MMS, as prints ordered to a mailing address (through the shopping cart) or as
// attachments of an e-mail written in the user's own mail program.
//
// The user picks the method (only the methods the configuration offers), then the recipients
// and the size; sharing over the internet, by MMS and as prints needs an account with a
// service provider, which the user is offered to register first. MMS carries at most two
// pictures. An e-mail's attachments are prepared off the GUI thread (EmailScalingTask) and
// handed to the mail program (EmailHandOver); a failure of either shows the error page.
//
// An MMS is charged to the account's activated mobile phone: when the account has none, the
// assistant activates one (a code sent to the phone, typed back) before the share.
//
// A share over the internet or by MMS runs as one task of the sharing client (session, share,
// uploads, sending to each recipient). Retry after a failure goes on from what the failed task
// had done, so no recipient gets an MMS twice; a share whose inputs the user changed since is
// made anew.
//
// Entry points: run() (modal). GUI thread only; `configuration` must outlive the wizard.

#include <functional>
#include <utility>
#include <vector>

#include <wx/string.h>

#include "service/PortalClient_3_0.h"
#include "service/SharingClient_3_0.h"
#include "service/SharingClient_3_0_Task.h"
#include "widgets/BrenmarleWizard.h"

namespace Brenmarle {
class PortalClient_3_0_Task;
}

namespace Quorvel {
class Configuration;
class NetworkSettings;
class Task;
} // namespace Quorvel

class SharingWizard : public BrenmarleWizard {
public:
    // As the method page numbers them.
    enum Method { OVER_INTERNET = 0, BY_MMS = 1, AS_PRINTS = 3, BY_EMAIL = 4 };
    enum Step { STEP_METHOD, STEP_RECIPIENTS, STEP_DESCRIPTION, STEP_SHARING, STEP_RECEIPT };
    static constexpr size_t MMS_PICTURE_LIMIT = 2;

    // What the assistant asks of the program around it.
    struct Hooks {
        // Leads the user through registering an account; whether there is one afterwards.
        std::function<bool()> registerAccount;
        // Puts the pictures into the shopping cart as prints; whether they are there.
        std::function<bool(const std::vector<wxString>& uris)> addPrints;
    };
    // A size to share in: its label and the box width (0: full size).
    using SizeChoice = std::pair<wxString, int>;

    SharingWizard(wxWindow* parent, const std::vector<wxString>& pictures,
                  Quorvel::Configuration& configuration, Hooks hooks, int method = -1,
                  Quorvel::NetworkSettings* settings = nullptr);
    ~SharingWizard() override;

    // Shows the assistant modally; wxID_OK when the pictures were shared (or put in the cart).
    static int run(wxWindow* parent, const std::vector<wxString>& pictures,
                   Quorvel::Configuration& configuration, Hooks hooks, int method = -1);

    // The methods the configuration offers, in the page's order.
    std::vector<Method> getOfferedMethods() const;
    static std::vector<SizeChoice> sizesFor(Method method);
    // "Shared picture!" for one picture, "Shared pictures!" for several.
    static wxString defaultSubject(size_t pictures);

    // ---- The flow. -------------------------------------------------------------------------
    // The method page's Next. Refuses MMS for more than two pictures (returns the problem);
    // offers the account registration when the method needs an account and there is none.
    wxString chooseMethod(Method method);
    // The account page's Next: registers (once) or goes on when there is an account.
    void continueAfterAccount();
    void setRecipients(const std::vector<wxString>& recipients, int size, bool shareInfo);
    void setDescription(const wxString& subject, const wxString& comment);
    // The price of an MMS picture and the phone that pays, for the MMS page.
    void fetchMmsPrice();
    // The activation page's steps: a code sent to `phoneNumber`, then the code typed back.
    void sendActivationCode(const wxString& phoneNumber);
    void activateMobile(const wxString& activationCode);
    // The web or MMS share itself, or its retry.
    void startShare();
    // The prints page's add: the pictures go into the cart and the assistant ends.
    void addPrints();
    // The e-mail: scaling, then the hand-over.
    void startEmail();

    // ---- State, for the pages and tests. ---------------------------------------------------
    const std::vector<wxString>& getPictures() const { return m_pictures; }
    Method getMethod() const { return m_method; }
    int getPreselectedMethod() const { return m_preselected; }
    bool hasAccount() const;
    const std::vector<wxString>& getRecipients() const { return m_recipients; }
    int getSize() const { return m_size; }
    bool getShareInfo() const { return m_shareInfo; }
    const wxString& getSubject() const { return m_subject; }
    const wxString& getComment() const { return m_comment; }
    const std::vector<wxString>& getAttachments() const { return m_attachments; }
    // The MMS price, once fetched.
    bool hasMmsPrice() const { return m_hasMmsPrice; }
    const Brenmarle::SharingClient_3_0::MmsInfo& getMmsInfo() const { return m_mmsInfo; }
    // The account's activated phone, known with the MMS price (empty: none).
    const wxString& getActivatedPhone() const { return m_activatedPhone; }
    // The recipients the share was sent to.
    const std::vector<wxString>& getServed() const { return m_served; }

    class SharingMethodPage;
    class AccountNeededPage;
    class ShareByWebPage;
    class ShareByMmsPage;
    class MobileActivationPage;
    class ShareByPrintsPage;
    class ShareByEmailPage;
    class DescriptionPage;
    class UploadPage;
    class EmailPage;
    class ReceiptPage;

protected:
    void onTaskSucceeded(Quorvel::TaskEvent& event) override;

private:
    void showMethodPage();
    Brenmarle::SharingClient_3_0_Task::Share shareInputs() const;
    bool sharingClientReady(const wxString& operation);
    bool portalClientReady(const wxString& operation);
    void portalSucceeded(Brenmarle::PortalClient_3_0_Task& task);
    void shareSucceeded(Brenmarle::SharingClient_3_0_Task& task);
    void handOverEmail(const std::vector<wxString>& attachments);
    bool failed(const wxString& operation, const std::function<void()>& step);

    std::vector<wxString> m_pictures;
    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;
    Hooks m_hooks;
    int m_preselected;
    Method m_method = OVER_INTERNET;
    std::vector<wxString> m_recipients;
    int m_size = 640;
    bool m_shareInfo = true;
    wxString m_subject;
    wxString m_comment;
    std::vector<wxString> m_attachments;
    Quorvel::Ref<Brenmarle::SharingClient_3_0> m_client;
    // The last share task; kept after a failure for the retry.
    Brenmarle::SharingClient_3_0_Task::TaskRef m_share;
    bool m_hasMmsPrice = false;
    Brenmarle::SharingClient_3_0::MmsInfo m_mmsInfo;
    Quorvel::Ref<Brenmarle::PortalClient_3_0> m_portal;
    wxString m_activatedPhone;
    std::vector<wxString> m_served;
    Quorvel::Ref<Quorvel::Task> m_scaling;
    Quorvel::Ref<Quorvel::Task> m_handOver;
};
