#include "service/LocatorClient_1_0_Slave.h"

#include "service/NetworkSettings.h"
#include "system/Log.h"

namespace Brenmarle {

LocatorClient_1_0_Slave::LocatorClient_1_0_Slave(const Quorvel::ServiceAddress& address,
                                                 const wxString& path, const wxString& language,
                                                 Quorvel::NetworkSettings* settings)
    : Slave(0, 0, wxS("LocatorClient_1_0_Slave")), m_path(path), m_language(language),
      m_client(std::make_unique<LocatorClient_1_0>(settings ? *settings
                                                            : Quorvel::NetworkSettings::get()))
{
    m_client->setAddress(address);
}

LocatorClient_1_0_Slave::~LocatorClient_1_0_Slave() = default;

void LocatorClient_1_0_Slave::work()
{
    QDEBUG("[LOCATORSLAVE] Started working...");
    checkAbort();
    *m_result = m_client->getDirectoryContents(m_path, m_language);
    checkAbort();
}

void LocatorClient_1_0_Slave::onAbort()
{
    m_client->interrupt();
}

} // namespace Brenmarle
