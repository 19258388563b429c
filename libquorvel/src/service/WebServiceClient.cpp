#include "service/WebServiceClient.h"

#include <wx/intl.h>

#include "service/NetworkSettings.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Quorvel {

WebServiceClient::WebServiceClient(const wxString& servicePath, NetworkSettings& settings)
    : m_servicePath(servicePath), m_settings(settings)
{
}

WebServiceClient::~WebServiceClient() = default;

void WebServiceClient::checkAddress(const ServiceAddress& address)
{
    if (!WebAddress::isValidHost(address.host) || !WebAddress::isValidPort(address.port))
        throw ResponseException(
            wxS("Server.InvalidAddress"),
            wxString::Format(_("The server named an invalid address: %s port %d"),
                             WebAddress::printable(address.host), address.port));
}

int WebServiceClient::effectivePort(int port) const
{
    const int override = port == 80 ? m_settings.getPortOverride() : 0;
    return override != 0 ? override : port;
}

void WebServiceClient::setAddress(const ServiceAddress& address)
{
    checkAddress(address);
    const int port = effectivePort(address.port);
    if (port != address.port)
        QDEBUG("[GSOAP] Standard port (80) is overriden to %d", port);
    setAddress(address, wxString::Format("http://%s:%d%s", address.host, port, m_servicePath));
}

void WebServiceClient::setAddress(const ServiceAddress& address, const wxString& endpoint)
{
    checkAddress(address);
    m_address = address;
    m_endpoint = endpoint;
}

void WebServiceClient::setCredentials(const wxString& user, const wxString& password)
{
    m_address.user = user;
    m_address.password = password;
}

bool WebServiceClient::isOwnServer(const wxString& url) const
{
    try {
        const WebAddress target = WebAddress::parse(url);
        const WebAddress own = WebAddress::parse(m_endpoint);
        return target.getScheme() == own.getScheme() &&
               target.getHost().IsSameAs(own.getHost(), false) &&
               effectivePort(target.getPort()) == own.getPort();
    } catch (const NetworkException&) {
        return false;
    }
}

} // namespace Quorvel
