#pragma once
// Common base of the storage, ordering and sharing clients: a SOAP client held by counted
// references, with a session that replaces the account's credentials, and the file transfers
// the three services share (the pictures go over plain HTTP to and from the URLs a service
// hands out, authenticated with the session and only on the service's own server).
//
// Threads: one task thread at a time; the session belongs to the client object.

#include <memory>
#include <string>

#include <wx/string.h>

#include "service/GSoapClient.h"
#include "threads/ReferenceCounted.h"

namespace Quorvel {
class HTTPClient;
}

namespace Brenmarle {

class RpasClient_3_0 : public Quorvel::GSoapClient, public Quorvel::ReferenceCounted {
public:
    // The user name later calls authenticate with once a session is open.
    static constexpr const char* SESSION_USER = "SESSIONID";
    // Form field of an upload's one multipart part.
    static constexpr const char* UPLOAD_FIELD = "rpas";

    RpasClient_3_0(const std::string& prefix, const wxString& servicePath,
                   Quorvel::NetworkSettings& settings);
    RpasClient_3_0(const std::string& prefix, const wxString& servicePath);

    // After createSession: every later call and transfer sends Basic credentials made of
    // SESSION_USER and the session id.
    void useSession(const wxString& sessionId);

    // A new HTTP client for one transfer, with the network settings (proxy) of the calls.
    std::unique_ptr<Quorvel::HTTPClient> newTransferClient() const;

    // Prepares `http` for sending the local file at `path` to `url`: the session's credentials,
    // form field UPLOAD_FIELD, X-Quorvel-MD5 of the file (`md5` when the caller worked it out
    // already, read from the file when empty), then beginUpload with `message` for a refusal.
    // The caller streams the file with upload() and ends with finishUpload().
    // Throws ServiceException "Security.Credentials" before anything is sent when no session is
    // open or `url` is not on the service's own scheme, host and port.
    void uploadFile(Quorvel::HTTPClient& http, const wxString& path, const wxString& url,
                    const wxString& message, const wxString& md5 = wxString());
    // Sends the GET for `url` with the session's credentials; any status but 200 raises "Error
    // downloading file". The caller reads the body. Refuses as uploadFile does.
    void downloadFile(Quorvel::HTTPClient& http, const wxString& url);

protected:
    ~RpasClient_3_0() override;

private:
    // Gives `http` the session's credentials for `url`, or throws "Security.Credentials".
    void authenticate(Quorvel::HTTPClient& http, const wxString& url) const;
};

} // namespace Brenmarle
