#include "ordering/DownloadPriceListSlave.h"

#include <wx/intl.h>

#include "ordering/Pricelist.h"
#include "service/NetworkSettings.h"
#include "service/PortalClient_3_0.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/XMLDocument.h"

namespace Brenmarle {

const char* const DownloadPriceListSlave::FORMAT_VERSION = "1.0";

DownloadPriceListSlave::DownloadPriceListSlave(const Quorvel::ServiceAddress& address,
                                               Quorvel::NetworkSettings* settings)
    : Slave(SLAVE_ID, 0, wxS("DownloadPriceListSlave")),
      m_client(Quorvel::makeRef<PortalClient_3_0>(settings ? *settings
                                                           : Quorvel::NetworkSettings::get()))
{
    m_client->setAddress(address);
}

DownloadPriceListSlave::~DownloadPriceListSlave() = default;

void DownloadPriceListSlave::work()
{
    QDEBUG("[DOWNLOADPRICELISTSLAVE] Downloading price list");
    try {
        checkAbort();
        const std::string xml = m_client->downloadPriceList(FORMAT_VERSION);
        checkAbort();
        std::shared_ptr<const Pricelist> pricelist;
        try {
            pricelist = Pricelist::fromXML(xml);
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[DOWNLOADPRICELISTSLAVE] %s", e.getMessage());
            throw Quorvel::XMLException(_("Could not load price list from XML document"));
        }
        checkAbort();
        m_result->pricelist = std::move(pricelist);
    } catch (...) {
        QDEBUG("[DOWNLOADPRICELISTSLAVE] Exception!");
        QDEBUG("[DOWNLOADPRICELISTSLAVE] Re-throw");
        throw;
    }
}

void DownloadPriceListSlave::onAbort()
{
    m_client->interrupt();
}

} // namespace Brenmarle
