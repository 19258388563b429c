#include "service/RpasClient_3_0.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include "service/HTTPClient.h"
#include "service/PreparedUpload.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "threads/HttpCallbackObj.h"
#include "util/InputFile.h"

namespace Brenmarle {

RpasClient_3_0::RpasClient_3_0(const std::string& prefix, const wxString& servicePath,
                               Quorvel::NetworkSettings& settings)
    : GSoapClient(prefix, servicePath, settings)
{
}

RpasClient_3_0::RpasClient_3_0(const std::string& prefix, const wxString& servicePath)
    : GSoapClient(prefix, servicePath)
{
}

RpasClient_3_0::~RpasClient_3_0() = default;

bool RpasClient_3_0::FileId::operator==(const FileId& other) const
{
    return serverUuid == other.serverUuid && clientRef == other.clientRef &&
           fileModifyTime == other.fileModifyTime && metaModifyTime == other.metaModifyTime;
}

void RpasClient_3_0::useSession(const wxString& sessionId)
{
    setCredentials(SESSION_USER, sessionId);
}

std::unique_ptr<Quorvel::HTTPClient> RpasClient_3_0::newTransferClient() const
{
    return std::make_unique<Quorvel::HTTPClient>(getSettings());
}

void RpasClient_3_0::authenticate(Quorvel::HTTPClient& http, const wxString& url) const
{
    // The credentials go only to the service itself, and only a session's: a reply naming a
    // transfer address elsewhere must not collect them, nor the account's password ever.
    const Quorvel::ServiceAddress& address = getAddress();
    if (address.user != SESSION_USER || address.password.empty())
        throw Quorvel::ServiceException(
            wxS("Security.Credentials"),
            _("Files are sent and fetched only within a session with the service"));
    if (!isOwnServer(url))
        throw Quorvel::ServiceException(
            wxS("Security.Credentials"),
            wxString::Format(_("The service named a transfer address on another server: %s"),
                             Quorvel::WebAddress::printable(url)));
    http.setUser(address.user);
    http.setPassword(address.password);
}

void RpasClient_3_0::uploadFile(Quorvel::HTTPClient& http, const wxString& path,
                                const wxString& url, const wxString& message, const wxString& md5)
{
    const wxULongLong size = wxFileName::GetSize(path);
    if (size == wxInvalidSize)
        throw Quorvel::FileNotFoundException(wxString::Format(_("Could not read file %s"), path));
    authenticate(http, url);
    beginUpload(http, static_cast<int64_t>(size.GetValue()),
                md5.empty() ? Quorvel::HTTPClient::md5OfFile(path) : md5, url, message);
}

void RpasClient_3_0::beginUpload(Quorvel::HTTPClient& http, int64_t size, const wxString& md5,
                                 const wxString& url, const wxString& message)
{
    http.setFormFieldName(UPLOAD_FIELD);
    http.setMd5Header(md5);
    http.beginUpload(url, size, message);
}

void RpasClient_3_0::sendFile(const wxString& path, const wxString& url, const wxString& message,
                              const wxString& failure, Quorvel::HttpCallbackObj& task,
                              int64_t limit)
{
    PreparedUpload upload(path, std::move(m_uploadMemory));
    sendFile(upload, url, message, failure, task, limit);
    m_uploadMemory = upload.takeStorage();
}

void RpasClient_3_0::sendFile(const PreparedUpload& file, const wxString& url,
                              const wxString& message, const wxString& failure,
                              Quorvel::HttpCallbackObj& task, int64_t limit)
{
    if (!m_transfer)
        m_transfer = newTransferClient();
    Quorvel::HTTPClient& http = *m_transfer;
    // Nothing of the previous file's request may ride along; only its connection does.
    http.resetRequest();
    // The check asks this task only while it is sent; the client outlives the task.
    struct AbortCheck {
        Quorvel::HTTPClient& http;
        ~AbortCheck() { http.setAbortCheck({}); }
    } check{http};
    http.setAbortCheck([&task] { return task.isAbortRequested(); });
    authenticate(http, url);
    beginUpload(http, file.getSize(), file.getMd5(), url, message);
    try {
        file.send(http, &task, limit, failure);
    } catch (const Quorvel::AbortException&) {
        throw;
    } catch (const Quorvel::Exception& e) {
        if (task.isAbortRequested())
            throw Quorvel::AbortException(_("Task aborted on request"));
        throw Quorvel::IOException(e.getCode(), _("Could not upload file to server") + wxS(": ") +
                                                    e.getMessage());
    }
}

void RpasClient_3_0::downloadFile(Quorvel::HTTPClient& http, const wxString& url)
{
    authenticate(http, url);
    http.getAndCheck(url, _("Error downloading file"));
}

} // namespace Brenmarle
