#pragma once
// Downloads the price list of the account's portal (the portal service's downloadPriceList)
// and reads it with the same code that prices orders, so that what reaches the GUI thread is
// a price list that loaded, never a document that might not. Installing it (PricelistCache)
// is left to the GUI thread once the finished event has come: a document that does not load
// makes the slave fail, and the price list installed before stays.
//
// Threads: made on the GUI thread, run on the slave manager's thread; abort() from any
// thread interrupts the call under way. The result is written on the manager's thread before
// the finished event is sent and read on the GUI thread after it came.

#include <memory>

#include "service/ServiceAddress.h"
#include "threads/ReferenceCounted.h"
#include "threads/Slave.h"

namespace Quorvel {
class NetworkSettings;
}

namespace Brenmarle {

class PortalClient_3_0;
class Pricelist;

class DownloadPriceListSlave : public Quorvel::Slave {
public:
    // The slave's first number, in its events.
    static constexpr int32_t SLAVE_ID = 51;
    // The newest price-list format this client reads, sent as the "maxversion" argument.
    static const char* const FORMAT_VERSION;

    struct Result {
        std::shared_ptr<const Pricelist> pricelist;
    };

    // `address` is the account's portal (AccountSettings::portalAddress). `settings` (the
    // process's when null) must outlive the slave.
    explicit DownloadPriceListSlave(const Quorvel::ServiceAddress& address,
                                    Quorvel::NetworkSettings* settings = nullptr);
    ~DownloadPriceListSlave() override;

    // Held on to by the caller: the slave is deleted by the time its finished event arrives.
    const std::shared_ptr<Result>& getResult() const { return m_result; }

protected:
    // Throws the SOAP client's exceptions, and Quorvel::XMLException "Could not load price
    // list from XML document" when the document does not load.
    void work() override;
    void onAbort() override;

private:
    Quorvel::Ref<PortalClient_3_0> m_client;
    std::shared_ptr<Result> m_result = std::make_shared<Result>();
};

} // namespace Brenmarle
