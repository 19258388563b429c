#pragma once
// The namespace table of one service, as the gSOAP runtime wants it: the envelope, encoding
// and XML Schema prefixes (each also accepting the SOAP 1.2 forms) and the service's prefix
// bound to "http://" + the operator's domain + the service path ("/service/storage/3.0").
// The table owns its texts; a context that uses it must not outlive it.

#include <string>
#include <vector>

#include <wx/string.h>

struct Namespace;

namespace Quorvel {

class SoapNamespaces {
public:
    // Used when the global configuration names no domain.
    static constexpr const char* DEFAULT_SERVICE_DOMAIN = "vistrelle.net";
    // Key of the global configuration that names the operator's domain.
    static constexpr const char* SERVICE_DOMAIN_KEY = "internet/servicedomain";

    // `prefix` as in the service definition ("storage"), `path` without its final slash.
    SoapNamespaces(const std::string& prefix, const std::string& path,
                   const wxString& domain = getServiceDomain());
    SoapNamespaces(const SoapNamespaces&) = delete;
    SoapNamespaces& operator=(const SoapNamespaces&) = delete;

    const Namespace* table() const { return m_table.data(); }
    Namespace* table() { return m_table.data(); }
    const std::string& serviceUri() const { return m_uri; }

    // The operator's domain from the global configuration, or the default.
    static wxString getServiceDomain();

private:
    std::string m_prefix;
    std::string m_uri;
    std::vector<Namespace> m_table;
};

} // namespace Quorvel
