#include "service/WebAddress.h"

#include "system/Exceptions.h"

namespace Quorvel {

namespace {

// The longest host name DNS can carry.
constexpr size_t MAX_HOST_LENGTH = 253;

bool isControl(wxUniChar c)
{
    return c.GetValue() < 0x20 || c.GetValue() == 0x7F;
}

bool isAsciiAlphanumeric(wxUniChar c)
{
    const unsigned v = c.GetValue();
    return (v >= '0' && v <= '9') || (v >= 'a' && v <= 'z') || (v >= 'A' && v <= 'Z');
}

bool isHexDigit(wxUniChar c)
{
    const unsigned v = c.GetValue();
    return (v >= '0' && v <= '9') || (v >= 'a' && v <= 'f') || (v >= 'A' && v <= 'F');
}

} // namespace

wxString WebAddress::printable(const wxString& text)
{
    wxString out;
    for (wxUniChar c : text)
        out += isControl(c) ? wxUniChar('?') : c;
    return out;
}

bool WebAddress::isValidHost(const wxString& host)
{
    if (host.empty() || host.length() > MAX_HOST_LENGTH)
        return false;
    if (host.StartsWith("[")) {
        // An IPv6 address: hexadecimal groups, colons, and a dotted IPv4 tail at most.
        if (!host.EndsWith("]") || host.length() < 4)
            return false;
        bool colon = false;
        for (wxUniChar c : host.Mid(1, host.length() - 2)) {
            if (c == ':')
                colon = true;
            else if (!isHexDigit(c) && c != '.')
                return false;
        }
        return colon;
    }
    if (host[0] == '-' || host[0] == '.')
        return false;
    for (wxUniChar c : host)
        if (!isAsciiAlphanumeric(c) && c != '-' && c != '_' && c != '.')
            return false;
    return true;
}

WebAddress WebAddress::parse(const wxString& url)
{
    const wxString shown = printable(url);
    for (wxUniChar c : url)
        if (isControl(c))
            throw NetworkException(wxString::Format("Invalid characters in web address %s", shown));
    const int separator = url.Find("://");
    WebAddress address;
    address.m_scheme = separator == wxNOT_FOUND ? wxString() : url.Left(separator).Lower();
    if (address.m_scheme != "http" && address.m_scheme != "https")
        throw NetworkException(wxString::Format(
            "Cannot fetch %s: only http and https addresses are supported", shown));
    const wxString rest = url.Mid(separator + 3);
    // The authority ends at the first "/", "?" or "#"; what follows belongs to the document.
    size_t end = rest.find_first_of("/?#");
    wxString authority = end == wxString::npos ? rest : rest.Left(end);
    wxString document = end == wxString::npos ? wxString() : rest.Mid(end);
    if (!document.StartsWith("/"))
        document = "/" + document;
    long port = address.getDefaultPort();
    wxString host = authority;
    const int closing = authority.Find(']');
    const int colon = authority.Find(':', true);
    if (colon != wxNOT_FOUND && colon > closing) {
        host = authority.Left(colon);
        const wxString digits = authority.Mid(colon + 1);
        if (digits.empty() || !digits.IsNumber() || !digits.ToLong(&port) || !isValidPort(port))
            throw NetworkException(wxString::Format("Invalid port in web address %s", shown));
    }
    if (!isValidHost(host))
        throw NetworkException(wxString::Format("Invalid host in web address %s", shown));
    address.m_host = host;
    address.m_port = static_cast<int>(port);
    address.m_document = document;
    return address;
}

bool WebAddress::isSameOrigin(const WebAddress& other) const
{
    return m_scheme == other.m_scheme && m_host.IsSameAs(other.m_host, false) &&
           m_port == other.m_port;
}

} // namespace Quorvel
