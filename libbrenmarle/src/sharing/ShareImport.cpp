#include "sharing/ShareImport.h"

#include <set>

#include <wx/translation.h>

#include "folders/SharedFolder.h"
#include "service/PortalId.h"
#include "service/SoapNamespaces.h"
#include "system/Exceptions.h"

namespace Brenmarle {

namespace {

wxString tr(const char* text)
{
    return wxGetTranslation(text, "libbrenmarle");
}

[[noreturn]] void refuse(const wxString& reason)
{
    throw Quorvel::RuntimeException(reason);
}

wxString fieldOf(const std::map<wxString, wxString>& fields, const char* name)
{
    const auto found = fields.find(name);
    return found == fields.end() ? wxString() : wxString(found->second).Trim(true).Trim(false);
}

// The sharer's own text, shown as it is: bounded, and without control characters that could
// reorder or hide what the page says (line breaks are kept in the message).
wxString sharerText(const wxString& text, size_t maxLength, const char* what, bool lines)
{
    if (text.length() > maxLength)
        refuse(wxString::Format("The share's %s is longer than %zu characters", what, maxLength));
    for (wxUniChar c : text) {
        const auto code = c.GetValue();
        const bool lineBreak = lines && (code == '\n' || code == '\r' || code == '\t');
        if (!lineBreak &&
            (code < 0x20 || code == 0x7f || (code >= 0x80 && code < 0xa0) ||
             (code >= 0x202a && code <= 0x202e) || (code >= 0x2066 && code <= 0x2069)))
            refuse(wxString::Format("The share's %s holds control characters", what));
    }
    return text;
}

// Only the portals of the operator's domain share pictures; any other host is refused, so a
// command file cannot have the program fetch from, or hand a token to, a server of its choice.
wxString portalHostOf(const wxString& given)
{
    const wxString host = given.Lower();
    const wxString suffix =
        wxString(PortalId::HOST_INFIX) + Quorvel::SoapNamespaces::getServiceDomain().Lower();
    if (!host.EndsWith(suffix) || !PortalId::isValid(host.Left(host.length() - suffix.length())))
        refuse("The share's host is not one of the service's hosts: " + given.Left(100));
    return host;
}

int previewSizeOf(const wxString& text)
{
    long size = -1;
    if (!text.ToLong(&size) ||
        (size != 0 && size != 160 && size != 320 && size != 640 && size != 1280))
        refuse("The share's preview size is not one the service makes: " + text.Left(20));
    return static_cast<int>(size);
}

bool flagOf(const wxString& text)
{
    const wxString flag = text.Lower();
    if (flag == "true" || flag == "1")
        return true;
    if (flag == "false" || flag == "0" || flag.empty())
        return false;
    refuse("The share's information flag is neither true nor false: " + text.Left(20));
}

} // namespace

ShareImport ShareImport::read(const std::map<wxString, wxString>& fields,
                              const std::vector<wxString>& fileIds)
{
    ShareImport share;
    share.m_sharedBy = sharerText(fieldOf(fields, "sharedby"), MAX_NAME_LENGTH, "sender", false);
    if (share.m_sharedBy.empty())
        refuse("The share does not say who shared it");
    const wxString host = fieldOf(fields, "sharehost");
    if (host.empty())
        refuse("The share does not name its host");
    share.m_host = portalHostOf(host);
    share.m_accessToken = fieldOf(fields, "accesstoken");
    if (!SharedFolder::isValidPart(share.m_accessToken))
        refuse("The share's access token is missing or not allowed");
    share.m_subject = sharerText(fieldOf(fields, "subject"), MAX_SUBJECT_LENGTH, "subject", false);
    share.m_message = sharerText(fieldOf(fields, "message"), MAX_MESSAGE_LENGTH, "message", true);
    share.m_previewSize = previewSizeOf(fieldOf(fields, "previewsize"));
    share.m_shareMeta = flagOf(fieldOf(fields, "sharemeta"));
    share.m_serverUuid = fieldOf(fields, "serveruuid");
    if (!share.m_serverUuid.empty() && !SharedFolder::isValidPart(share.m_serverUuid))
        refuse("The share's server id is not allowed");

    if (fileIds.empty())
        refuse("The share lists no files");
    if (fileIds.size() > MAX_FILES)
        refuse(wxString::Format("The share lists more than %zu files", MAX_FILES));
    std::set<wxString> seen;
    for (const wxString& given : fileIds) {
        const wxString id = wxString(given).Trim(true).Trim(false);
        if (!SharedFolder::isValidPart(id))
            refuse("A file id of the share is not allowed: " + id.Left(100));
        // One picture listed twice is imported once.
        if (seen.insert(id).second)
            share.m_fileIds.push_back(id);
    }
    return share;
}

std::vector<wxString> ShareImport::getFileUris() const
{
    std::vector<wxString> uris;
    for (const wxString& id : m_fileIds)
        uris.push_back(SharedFolder::fileUriOf({m_host, m_accessToken, id}));
    return uris;
}

wxString ShareImport::getSourceText() const
{
    const int count = static_cast<int>(m_fileIds.size());
    return wxString::Format(count == 1 ? tr("%s has chosen to share %d photo with you!")
                                       : tr("%s has chosen to share %d photos with you!"),
                            m_sharedBy, count);
}

wxString ShareImport::getAccessText() const
{
    if (m_previewSize == 0 && m_shareMeta)
        return wxString::Format(tr("You get access to the full size photos, and also any extra "
                                   "information %s has added to the photos"),
                                m_sharedBy);
    wxString text;
    if (m_previewSize == 0)
        text = tr("You get access to the full size photos");
    else
        text = wxString::Format(
            tr("%s has not shared the original files with you, but instead you get %s previews"),
            m_sharedBy, wxString::Format("%dx%d", m_previewSize, m_previewSize * 3 / 4));
    return text + (m_shareMeta ? tr(", and you get any extra information added to the photos!")
                               : tr(", and you wont get any extra information added to the "
                                    "photos."));
}

} // namespace Brenmarle
