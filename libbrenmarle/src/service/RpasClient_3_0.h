#pragma once
// Common base of the storage, ordering and sharing clients: a SOAP client held by counted
// references, with a session that replaces the account's credentials, and the file transfers
// the three services share (the pictures go over plain HTTP to and from the URLs a service
// hands out, authenticated with the session and only on the service's own server).
//
// Threads: one task thread at a time; the session belongs to the client object. One exception:
// sendFile and the calls may run on two threads at once, one of them a thread the task started
// (the ordering task registers a file while it sends the next; a synchronisation sends on a
// thread of its own while its task calls); the transfer only reads the session record, which
// no call but createSession changes.

#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

#include "service/GSoapClient.h"
#include "threads/ReferenceCounted.h"

namespace Quorvel {
class HTTPClient;
class HttpCallbackObj;
} // namespace Quorvel

namespace Brenmarle {

class PreparedUpload;

class RpasClient_3_0 : public Quorvel::GSoapClient, public Quorvel::ReferenceCounted {
public:
    // The user name later calls authenticate with once a session is open.
    static constexpr const char* SESSION_USER = "SESSIONID";
    // Form field of an upload's one multipart part.
    static constexpr const char* UPLOAD_FIELD = "rpas";

    // A picture's identity and metadata as the storage, ordering and sharing services
    // exchange them.
    struct FileId {
        wxString serverUuid;
        wxString clientRef;
        std::time_t fileModifyTime = 0;
        std::time_t metaModifyTime = 0;
        bool operator==(const FileId& other) const;
    };
    // Which parts of FileInfo::time are known.
    struct TimeMask {
        bool year = false;
        bool month = false;
        bool day = false;
        bool hour = false;
        bool minute = false;
        bool second = false;
    };
    // A picture's identity and metadata, the fields of the storage service's record.
    struct FileInfo {
        wxString serverUuid;
        wxString clientRef;
        std::time_t fileModifyTime = 0;
        std::time_t metaModifyTime = 0;
        wxString fileName;
        int64_t fileSize = 0;
        wxString contentType;
        int scanVersion = 0;
        wxString scanner;
        bool fileUserModified = false;
        bool metaUserModified = false;
        bool favorite = false;
        wxString caption;
        std::time_t time = 0;
        TimeMask timeMask;
        wxString creator;
        wxString source;
        wxString copyright;
        wxString sublocation;
        wxString city;
        wxString province;
        wxString countryCode;
        std::vector<wxString> keywords;
        int imageWidth = 0;
        int imageHeight = 0;
        int imageRotation = 0;
    };

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
    // The whole upload of the local file at `path` to `url`: the file is read once
    // (PreparedUpload, into the memory the file before it was held in), then sent as the
    // overload below sends it. Throws as PreparedUpload's constructor and as the overload.
    void sendFile(const wxString& path, const wxString& url, const wxString& message,
                  const wxString& failure, Quorvel::HttpCallbackObj& task, int64_t limit);
    // The whole upload of a prepared file to `url` on this client's transfer client (one for
    // all its transfers, so that a kept connection serves the next file): the session's
    // credentials, form field UPLOAD_FIELD and the file's MD5, beginUpload with `message` (its
    // refusals stand: nothing was sent), the bytes (at most `limit`) with `task` (a task, or what
    // stands for one on a thread it started) hearing the progress and able to stop it, then
    // finishUpload with `failure`. Throws AbortException when `task` asked to stop, IOException
    // "Could not upload file to server: <cause>" when the upload failed, ended without a status or
    // the file changed since it was prepared; a failed upload leaves the transfer client ready for
    // the next.
    void sendFile(const PreparedUpload& file, const wxString& url, const wxString& message,
                  const wxString& failure, Quorvel::HttpCallbackObj& task, int64_t limit);
    // Sends the GET for `url` with the session's credentials; any status but 200 raises "Error
    // downloading file". The caller reads the body. Refuses as uploadFile does.
    void downloadFile(Quorvel::HTTPClient& http, const wxString& url);

protected:
    ~RpasClient_3_0() override;

private:
    // Gives `http` the session's credentials for `url`, or throws "Security.Credentials".
    void authenticate(Quorvel::HTTPClient& http, const wxString& url) const;
    // After authenticate: the form field, the MD5 header and the request's head.
    void beginUpload(Quorvel::HTTPClient& http, int64_t size, const wxString& md5,
                     const wxString& url, const wxString& message);

    // sendFile's, made at its first use; only the thread running sendFile touches it.
    std::unique_ptr<Quorvel::HTTPClient> m_transfer;
    // The memory of the file sendFile(path) sent last, for the next one (a share's pictures):
    // a run of small files would otherwise have the allocator hand each its fresh, zeroed pages
    // and take them back after it, which cost a quarter of a synchronisation's CPU before it
    // kept its own.
    std::vector<char> m_uploadMemory;
};

} // namespace Brenmarle
