#pragma once
// Client of a provider's sharing service: a session, a share (subject, message, preview size,
// whether the pictures' information is shared), the pictures the service still lacks (sent
// over plain HTTP with the upload routine the storage and ordering clients share), closing
// the share, and sending it to recipients over the web or by MMS. The receiving side reads a
// shared file's information with the share's access token.
//
// The service is reached with the account's credentials; createSession replaces them with the
// session's, which then go with every call and upload, and only to the service's own scheme,
// host and port (RpasClient_3_0). Every text is UTF-8 on the wire and a wide string here.
//
// Threads: one thread at a time (a task's), except interrupt() (GSoapClient). Held by counted
// references.

#include <string>
#include <vector>

#include <wx/string.h>

#include "service/OrderingClient_3_0.h"
#include "service/RpasClient_3_0.h"

namespace Quorvel {
class HTTPClient;
class NetworkSettings;
} // namespace Quorvel

namespace Brenmarle {

class SharingClient_3_0 : public RpasClient_3_0 {
public:
    static constexpr const char* SERVICE_PATH = "/service/sharing/3.0/";
    // Shared files are named "ssfile://" followed by a name unique within the share.
    static constexpr const char* REFERENCE_PREFIX = "ssfile://";

    // The records are the ordering service's, field for field.
    using FileId = OrderingClient_3_0::FileId;
    using TimeMask = OrderingClient_3_0::TimeMask;
    using FileInfo = OrderingClient_3_0::FileInfo;

    // A file the service still lacks, and where to send it. The two flags are kept as the
    // service wrote them; nothing depends on them.
    struct FileUpload {
        wxString uploadUrl;
        wxString needMeta;
        wxString needFile;
        FileId fileId;
    };
    struct MmsInfo {
        double pricePerMms = 0;
        wxString currency;
    };

    explicit SharingClient_3_0(Quorvel::NetworkSettings& settings);
    SharingClient_3_0();

    // Each throws SoapException when the call fails, and what is said below.

    // The price of one picture sent by MMS to one recipient.
    MmsInfo getMmsInfo();
    // With the account's credentials; afterwards every call and upload uses the session.
    // Returns the session id. ResponseException "Missing session id" for an empty one.
    wxString createSession();
    void closeSession();
    // Logs "[SHARINGCLIENT_3_0] Created share %s". Returns the share id; ResponseException
    // "Missing share id" for an empty one.
    wxString createShare(const wxString& subject, const wxString& message, int previewSize,
                         bool shareMeta);
    // The files of `files` the service still lacks. ResponseException "Missing file id in
    // upload list" for an entry without its file id.
    std::vector<FileUpload> getFileUploadList(const std::vector<FileId>& files);
    // Logs "[SHARINGCLIENT_3_0] Register file!".
    void registerFile(const FileId& fileId, const FileInfo& fileInfo, bool uploaded);
    // Logs "[SHARINGCLIENT_3_0] Closed share!".
    void closeShare();
    void shareByWeb(const wxString& shareId, const wxString& recipient);
    void shareByMms(const wxString& shareId, const wxString& recipient);
    // RuntimeException "Did not get file info in response" when the reply has none.
    FileInfo getFileInformation(const FileId& fileId, const wxString& accessToken);

    // RpasClient_3_0::uploadFile with the message "Error before uploading file to share".
    void uploadFile(Quorvel::HTTPClient& http, const wxString& path, const wxString& url);

protected:
    ~SharingClient_3_0() override;
};

} // namespace Brenmarle
