#include "service/WebServiceClient.h"

#include "service/NetworkSettings.h"
#include "system/Log.h"

namespace Quorvel {

WebServiceClient::WebServiceClient(const wxString& servicePath, NetworkSettings& settings)
    : m_servicePath(servicePath), m_settings(settings)
{
}

WebServiceClient::~WebServiceClient() = default;

void WebServiceClient::setAddress(const ServiceAddress& address)
{
    int port = address.port;
    if (port == 80) {
        const int override = m_settings.getPortOverride();
        if (override != 0) {
            port = override;
            QDEBUG("[GSOAP] Standard port (80) is overriden to %d", port);
        }
    }
    setAddress(address, wxString::Format("http://%s:%d%s", address.host, port, m_servicePath));
}

void WebServiceClient::setAddress(const ServiceAddress& address, const wxString& endpoint)
{
    m_address = address;
    m_endpoint = endpoint;
}

} // namespace Quorvel
