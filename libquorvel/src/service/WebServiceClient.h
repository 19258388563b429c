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
    // overriden to %d").
    virtual void setAddress(const ServiceAddress& address);

    const ServiceAddress& getAddress() const { return m_address; }
    const wxString& getEndpoint() const { return m_endpoint; }
    const wxString& getServicePath() const { return m_servicePath; }

protected:
    NetworkSettings& getSettings() const { return m_settings; }
    // For services with their own URL rule (the payment service's https endpoint).
    void setAddress(const ServiceAddress& address, const wxString& endpoint);

private:
    const wxString m_servicePath;
    NetworkSettings& m_settings;
    ServiceAddress m_address;
    wxString m_endpoint;
};

} // namespace Quorvel
