#pragma once
// One portal operation run as a slave, for the account assistant: the provider's information,
// its terms, a registration token, creating an account, the price list, the account's id.
// The slave makes the call with a client of its own, addressed when the slave is made; what
// comes back is kept in a Result that the caller holds on to (getResult()) and reads once the
// slave's finished event arrives: the slave itself is deleted by then. Aborting the slave
// interrupts the call under way.
//
// Threads: made on the GUI thread, run on the slave manager's thread; abort from any thread.

#include <memory>
#include <string>

#include "service/PortalClient_3_0.h"
#include "threads/Slave.h"

namespace Brenmarle {

class PortalClient_3_0_Slave : public Quorvel::Slave {
public:
    enum Operation {
        GET_PORTAL_INFORMATION = 1,
        GET_TERMS_OF_SERVICE,
        GET_REGISTRATION_TOKEN,
        CREATE_ACCOUNT,
        DOWNLOAD_PRICE_LIST,
        GET_ACCOUNT_ID,
        SET_RECEIVE_EMAIL_INFORMATION,
    };
    using Arguments = PortalClient_3_0::Arguments;
    struct Result {
        PortalClient_3_0::PortalInformation portalInformation;
        wxString terms;
        PortalClient_3_0::RegistrationToken token;
        wxString accountId;
        std::string priceListXml;
    };

    // `address` is the portal's (PortalId::hostOf, the port, the credentials to send).
    // `settings` (the process's when null) must outlive the slave. Throws ResponseException
    // for an address that names no host.
    PortalClient_3_0_Slave(Operation operation, const Quorvel::ServiceAddress& address,
                           const Arguments& arguments,
                           Quorvel::NetworkSettings* settings = nullptr);

    Operation getOperation() const { return m_operation; }
    // Filled on the manager's thread before the finished event is sent.
    const std::shared_ptr<Result>& getResult() const { return m_result; }

protected:
    void work() override;
    void onAbort() override;

private:
    const Operation m_operation;
    const Arguments m_arguments;
    Quorvel::Ref<PortalClient_3_0> m_client;
    std::shared_ptr<Result> m_result = std::make_shared<Result>();
};

} // namespace Brenmarle
