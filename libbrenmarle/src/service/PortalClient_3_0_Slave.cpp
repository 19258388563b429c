#include "service/PortalClient_3_0_Slave.h"

#include "service/NetworkSettings.h"
#include "system/Log.h"

namespace Brenmarle {

PortalClient_3_0_Slave::PortalClient_3_0_Slave(Operation operation,
                                               const Quorvel::ServiceAddress& address,
                                               const Arguments& arguments,
                                               Quorvel::NetworkSettings* settings)
    : Slave(operation, 0, wxS("PortalClient_3_0_Slave")), m_operation(operation),
      m_arguments(arguments), m_client(Quorvel::makeRef<PortalClient_3_0>(
                                  settings ? *settings : Quorvel::NetworkSettings::get()))
{
    m_client->setAddress(address);
}

void PortalClient_3_0_Slave::work()
{
    QDEBUG("[PORTALCLIENT_3_0_SLAVE] Started working...");
    checkAbort();
    PortalClient_3_0& client = *m_client;
    const Arguments& a = m_arguments;
    Result& result = *m_result;
    switch (m_operation) {
    case GET_PORTAL_INFORMATION:
        result.portalInformation = client.getPortalInformation(a.portalId, a.language);
        break;
    case GET_TERMS_OF_SERVICE:
        result.terms = client.getTermsOfService();
        break;
    case GET_REGISTRATION_TOKEN:
        result.token = client.getRegistrationToken();
        break;
    case CREATE_ACCOUNT:
        result.accountId =
            client.createAccount(a.tokenId, a.tokenText, a.portalId, a.emailAddress, a.password);
        break;
    case DOWNLOAD_PRICE_LIST:
        result.priceListXml = client.downloadPriceList(a.maxVersion);
        break;
    case GET_ACCOUNT_ID:
        result.accountId = client.getAccountId();
        break;
    case SET_RECEIVE_EMAIL_INFORMATION:
        client.setReceiveEmailInformation(a.receiveEmail);
        break;
    }
    checkAbort();
}

void PortalClient_3_0_Slave::onAbort()
{
    m_client->interrupt();
}

} // namespace Brenmarle
