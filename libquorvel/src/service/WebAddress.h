#pragma once
// An http or https address taken apart and checked: the scheme, the host, the port and the
// document (path and query). Servers hand out addresses (transfer URLs, other servers to
// talk to), so nothing of one is used before it is known to name a host and nothing else: a
// user name ("user@"), a second host, blanks or control characters end no request line here.
//
// Values; any thread.

#include <wx/string.h>

namespace Quorvel {

class WebAddress {
public:
    // Takes `url` apart; the port is the scheme's own (80, 443) when none is given, the
    // document "/" when the address has none. Throws NetworkException ("Invalid host in web
    // address %s", ...) for anything but an http or https address of a valid host and port.
    static WebAddress parse(const wxString& url);

    // A host name (letters, digits, "-", "_", "."), a dotted IPv4 address or an IPv6 address in
    // brackets; nothing else, and no longer than a host name can be.
    static bool isValidHost(const wxString& host);
    static bool isValidPort(long port) { return port >= 1 && port <= 65535; }
    // `text` with control characters shown as "?", for messages and logs.
    static wxString printable(const wxString& text);

    const wxString& getScheme() const { return m_scheme; }
    const wxString& getHost() const { return m_host; }
    int getPort() const { return m_port; }
    const wxString& getDocument() const { return m_document; }
    // The scheme's port when none is given: 443 for https, else 80.
    int getDefaultPort() const { return m_scheme == "https" ? 443 : 80; }
    // Same scheme, host (letter case ignored) and port.
    bool isSameOrigin(const WebAddress& other) const;

private:
    wxString m_scheme;
    wxString m_host;
    int m_port = 80;
    wxString m_document;
};

} // namespace Quorvel
