#pragma once
// The portal client's task companion: one portal operation run on a task runner, its results
// kept in the task for the listener. Aborting the task interrupts the call under way.
//
// Threads: made on the GUI thread, run on a task runner thread; results are read after the
// finished event.

#include "service/PortalClient_3_0.h"
#include "service/ServiceTask.h"

namespace Brenmarle {

class PortalClient_3_0_Task : public Quorvel::ServiceTask<PortalClient_3_0> {
public:
    enum Operation {
        GET_PORTAL_INFORMATION = 1,
        GET_REGISTRATION_TOKEN,
        CREATE_ACCOUNT,
        DOWNLOAD_PRICE_LIST,
        GET_TERMS_OF_SERVICE,
        GET_ACCOUNT_ID,
        GET_USER_INFORMATION,
        SET_USER_INFORMATION,
        GET_ACTIVATED_MOBILE,
        SEND_MOBILE_ACTIVATION_CODE,
        ACTIVATE_MOBILE,
    };
    using Client = Quorvel::Ref<PortalClient_3_0>;
    using TaskRef = Quorvel::Ref<PortalClient_3_0_Task>;

    static TaskRef getPortalInformation(const Client& client, const wxString& portalId,
                                        const wxString& language);
    static TaskRef getRegistrationToken(const Client& client);
    static TaskRef createAccount(const Client& client, const wxString& tokenId,
                                 const wxString& tokenText, const wxString& portalId,
                                 const wxString& emailAddress, const wxString& password);
    static TaskRef downloadPriceList(const Client& client, const wxString& maxVersion);
    static TaskRef getTermsOfService(const Client& client);
    static TaskRef getAccountId(const Client& client);
    static TaskRef getUserInformation(const Client& client);
    static TaskRef setUserInformation(const Client& client,
                                      const PortalClient_3_0::UserInformation& info);
    static TaskRef getActivatedMobile(const Client& client);
    static TaskRef sendMobileActivationCode(const Client& client, const wxString& phoneNumber);
    static TaskRef activateMobile(const Client& client, const wxString& activationCode);

    // Any operation number; the factories are the usual way.
    PortalClient_3_0_Task(const Client& client, int operation);

    PortalClient_3_0::Arguments arguments;
    // Argument of SET_USER_INFORMATION, result of GET_USER_INFORMATION.
    PortalClient_3_0::UserInformation userInformation;

    // Results.
    PortalClient_3_0::PortalInformation portalInformation;
    PortalClient_3_0::RegistrationToken token;
    wxString terms;
    wxString accountId;
    std::string priceListXml;
    PortalClient_3_0::ActivatedMobile activatedMobile;

protected:
    void runOperation(int operation) override;
    void onAbort() override;
};

} // namespace Brenmarle
