#pragma once
// Base of every web service client: the endpoint record and the endpoint URL built from it and
// the service's path.
//
// Threads: a client belongs to one thread at a time.

#include <wx/string.h>

#include "service/ServiceAddress.h"

namespace Quorvel {

class NetworkSettings;

class WebServiceClient {
public:
    // `servicePath` is the service's path with its final slash ("/service/storage/3.0/").
    WebServiceClient(const wxString& servicePath, NetworkSettings& settings);
    virtual ~WebServiceClient();
    WebServiceClient(const WebServiceClient&) = delete;
    WebServiceClient& operator=(const WebServiceClient&) = delete;

    // Copies the record and builds the endpoint "http://host:port/path". Port 80 gives way to
    // the network settings' port override when that is not 0 ("[GSOAP] Standard port (80) is
    // overriden to %d"). The host and port often come from another server's reply (a locator's
    // redirect, a payment server's name): anything but a host name or IP address and a port
    // from 1 to 65535 throws ResponseException "Server.InvalidAddress", and the client keeps
    // the address it had.
    virtual void setAddress(const ServiceAddress& address);

    // Throws ResponseException "Server.InvalidAddress" unless the record names a host (a name,
    // dotted IPv4 address or bracketed IPv6 address) and a port from 1 to 65535.
    static void checkAddress(const ServiceAddress& address);
    // Whether `url` is an http or https address on this service's own scheme, host and port
    // (port 80 read as the port override, as for the endpoint).
    bool isOwnServer(const wxString& url) const;

    const ServiceAddress& getAddress() const { return m_address; }
    const wxString& getEndpoint() const { return m_endpoint; }
    const wxString& getServicePath() const { return m_servicePath; }

protected:
    NetworkSettings& getSettings() const { return m_settings; }
    // For services with their own URL rule (the payment service's https endpoint); checks the
    // record as setAddress does.
    void setAddress(const ServiceAddress& address, const wxString& endpoint);
    // Replaces only the credentials of the record (a session's for the account's).
    void setCredentials(const wxString& user, const wxString& password);

private:
    // `port`, or the port override when it is 80 and the override is set.
    int effectivePort(int port) const;

    const wxString m_servicePath;
    NetworkSettings& m_settings;
    ServiceAddress m_address;
    wxString m_endpoint;
};

} // namespace Quorvel
