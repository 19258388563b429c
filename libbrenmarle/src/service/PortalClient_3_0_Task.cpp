#include "service/PortalClient_3_0_Task.h"

#include <wx/intl.h>

namespace Brenmarle {

PortalClient_3_0_Task::PortalClient_3_0_Task(const Client& client, int operation)
    : ServiceTask(client, operation, wxS("PORTALCLIENT_3_0_Task"))
{
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::getPortalInformation(const Client& client,
                                                                           const wxString& portalId,
                                                                           const wxString& language)
{
    auto task = Quorvel::makeRef<PortalClient_3_0_Task>(client, GET_PORTAL_INFORMATION);
    task->arguments.portalId = portalId;
    task->arguments.language = language;
    return task;
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::getRegistrationToken(const Client& client)
{
    return Quorvel::makeRef<PortalClient_3_0_Task>(client, GET_REGISTRATION_TOKEN);
}

PortalClient_3_0_Task::TaskRef
PortalClient_3_0_Task::createAccount(const Client& client, const wxString& tokenId,
                                     const wxString& tokenText, const wxString& portalId,
                                     const wxString& emailAddress, const wxString& password)
{
    auto task = Quorvel::makeRef<PortalClient_3_0_Task>(client, CREATE_ACCOUNT);
    task->arguments.tokenId = tokenId;
    task->arguments.tokenText = tokenText;
    task->arguments.portalId = portalId;
    task->arguments.emailAddress = emailAddress;
    task->arguments.password = password;
    return task;
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::downloadPriceList(const Client& client,
                                                                        const wxString& maxVersion)
{
    auto task = Quorvel::makeRef<PortalClient_3_0_Task>(client, DOWNLOAD_PRICE_LIST);
    task->arguments.maxVersion = maxVersion;
    return task;
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::getTermsOfService(const Client& client)
{
    return Quorvel::makeRef<PortalClient_3_0_Task>(client, GET_TERMS_OF_SERVICE);
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::getAccountId(const Client& client)
{
    return Quorvel::makeRef<PortalClient_3_0_Task>(client, GET_ACCOUNT_ID);
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::getUserInformation(const Client& client)
{
    return Quorvel::makeRef<PortalClient_3_0_Task>(client, GET_USER_INFORMATION);
}

PortalClient_3_0_Task::TaskRef
PortalClient_3_0_Task::setUserInformation(const Client& client,
                                          const PortalClient_3_0::UserInformation& info)
{
    auto task = Quorvel::makeRef<PortalClient_3_0_Task>(client, SET_USER_INFORMATION);
    task->userInformation = info;
    return task;
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::getActivatedMobile(const Client& client)
{
    return Quorvel::makeRef<PortalClient_3_0_Task>(client, GET_ACTIVATED_MOBILE);
}

PortalClient_3_0_Task::TaskRef
PortalClient_3_0_Task::sendMobileActivationCode(const Client& client, const wxString& phoneNumber)
{
    auto task = Quorvel::makeRef<PortalClient_3_0_Task>(client, SEND_MOBILE_ACTIVATION_CODE);
    task->arguments.phoneNumber = phoneNumber;
    return task;
}

PortalClient_3_0_Task::TaskRef PortalClient_3_0_Task::activateMobile(const Client& client,
                                                                     const wxString& activationCode)
{
    auto task = Quorvel::makeRef<PortalClient_3_0_Task>(client, ACTIVATE_MOBILE);
    task->arguments.activationCode = activationCode;
    return task;
}

void PortalClient_3_0_Task::runOperation(int operation)
{
    PortalClient_3_0& client = getClient();
    const PortalClient_3_0::Arguments& a = arguments;
    switch (operation) {
    case GET_PORTAL_INFORMATION:
        portalInformation = client.getPortalInformation(a.portalId, a.language);
        break;
    case GET_REGISTRATION_TOKEN:
        token = client.getRegistrationToken();
        break;
    case CREATE_ACCOUNT:
        accountId =
            client.createAccount(a.tokenId, a.tokenText, a.portalId, a.emailAddress, a.password);
        break;
    case DOWNLOAD_PRICE_LIST:
        priceListXml = client.downloadPriceList(a.maxVersion);
        break;
    case GET_TERMS_OF_SERVICE:
        terms = client.getTermsOfService();
        break;
    case GET_ACCOUNT_ID:
        accountId = client.getAccountId();
        break;
    case GET_USER_INFORMATION:
        userInformation = client.getUserInformation();
        break;
    case SET_USER_INFORMATION:
        client.setUserInformation(userInformation);
        break;
    case GET_ACTIVATED_MOBILE:
        activatedMobile = client.getActivatedMobile();
        break;
    case SEND_MOBILE_ACTIVATION_CODE:
        client.sendMobileActivationCode(a.phoneNumber);
        break;
    case ACTIVATE_MOBILE:
        client.activateMobile(a.activationCode);
        activatedMobile = client.getActivatedMobile();
        break;
    default:
        unknownOperation(_("No code to handle the given task in PortalClientTask"));
    }
    checkAbort();
}

void PortalClient_3_0_Task::onAbort()
{
    getClient().interrupt();
}

} // namespace Brenmarle
