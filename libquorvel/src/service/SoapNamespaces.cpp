#include "service/SoapNamespaces.h"

#include "stdsoap2.h"

#include "system/Configuration.h"

namespace Quorvel {

SoapNamespaces::SoapNamespaces(const std::string& prefix, const std::string& path,
                               const wxString& domain)
    : m_prefix(prefix), m_uri("http://" + std::string(domain.utf8_str()) + path)
{
    // The runtime compares incoming namespaces with the second column, then with the third
    // as a pattern, so a SOAP 1.2 peer is understood as well.
    m_table = {
        {"SOAP-ENV", "http://schemas.xmlsoap.org/soap/envelope/",
         "http://www.w3.org/*/soap-envelope", nullptr},
        {"SOAP-ENC", "http://schemas.xmlsoap.org/soap/encoding/",
         "http://www.w3.org/*/soap-encoding", nullptr},
        {"xsi", "http://www.w3.org/2001/XMLSchema-instance",
         "http://www.w3.org/*/XMLSchema-instance", nullptr},
        {"xsd", "http://www.w3.org/2001/XMLSchema", "http://www.w3.org/*/XMLSchema", nullptr},
        {m_prefix.c_str(), m_uri.c_str(), nullptr, nullptr},
        {nullptr, nullptr, nullptr, nullptr},
    };
}

wxString SoapNamespaces::getServiceDomain()
{
    wxString domain = DEFAULT_SERVICE_DOMAIN;
    if (Configuration* configuration = Configuration::get())
        configuration->getGlobalConfig().readString(SERVICE_DOMAIN_KEY, domain,
                                                    DEFAULT_SERVICE_DOMAIN);
    if (domain.empty())
        domain = DEFAULT_SERVICE_DOMAIN;
    return domain;
}

} // namespace Quorvel
