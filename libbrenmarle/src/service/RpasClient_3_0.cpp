#include "service/RpasClient_3_0.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include "service/HTTPClient.h"
#include "system/Exceptions.h"

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

void RpasClient_3_0::useSession(const wxString& sessionId)
{
    Quorvel::ServiceAddress address = getAddress();
    address.user = SESSION_USER;
    address.password = sessionId;
    // Keeps the endpoint as it is: only the credentials change.
    WebServiceClient::setAddress(address, getEndpoint());
}

void RpasClient_3_0::uploadFile(Quorvel::HTTPClient& http, const wxString& path,
                                const wxString& url, const wxString& message)
{
    const wxULongLong size = wxFileName::GetSize(path);
    if (size == wxInvalidSize)
        throw Quorvel::FileNotFoundException(wxString::Format(_("Could not read file %s"), path));
    http.setUser(getAddress().user);
    http.setPassword(getAddress().password);
    http.setFormFieldName(UPLOAD_FIELD);
    http.setMd5FromFile(path);
    http.beginUpload(url, static_cast<int64_t>(size.GetValue()), message);
}

void RpasClient_3_0::downloadFile(Quorvel::HTTPClient& http, const wxString& url)
{
    http.setUser(getAddress().user);
    http.setPassword(getAddress().password);
    http.getAndCheck(url, _("Error downloading file"));
}

} // namespace Brenmarle
