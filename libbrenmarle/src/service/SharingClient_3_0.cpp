#include "service/SharingClient_3_0.h"

#include <wx/intl.h>

#include "SoapSharingH.h"
#include "service/RpasWire.h"
#include "service/SoapText.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

constexpr auto* text = &Quorvel::SoapText::fromWire;
constexpr auto* bytes = &Quorvel::SoapText::toWire;

} // namespace

SharingClient_3_0::SharingClient_3_0(Quorvel::NetworkSettings& settings)
    : RpasClient_3_0("sharing", SERVICE_PATH, settings)
{
}

SharingClient_3_0::SharingClient_3_0() : RpasClient_3_0("sharing", SERVICE_PATH) {}

SharingClient_3_0::~SharingClient_3_0() = default;

SharingClient_3_0::MmsInfo SharingClient_3_0::getMmsInfo()
{
    Call call(*this, "getMmsInfo");
    SoapSharing::sharing__getMmsInfoResponse reply;
    call.check(
        SoapSharing::soap_call_sharing__getMmsInfo(call.context(), call.endpoint(), "", reply));
    return {reply.pricepermms, text(reply.currency)};
}

wxString SharingClient_3_0::createSession()
{
    wxString sessionId;
    {
        Call call(*this, "createSession");
        SoapSharing::sharing__createSessionResponse reply;
        call.check(SoapSharing::soap_call_sharing__createSession(call.context(), call.endpoint(),
                                                                 "", reply));
        sessionId = text(reply.sessionid);
    }
    if (sessionId.empty())
        throw Quorvel::ResponseException(_("Missing session id"));
    useSession(sessionId);
    return sessionId;
}

void SharingClient_3_0::closeSession()
{
    Call call(*this, "closeSession");
    SoapSharing::sharing__closeSessionResponse reply;
    call.check(
        SoapSharing::soap_call_sharing__closeSession(call.context(), call.endpoint(), "", reply));
}

wxString SharingClient_3_0::createShare(const wxString& subject, const wxString& message,
                                        int previewSize, bool shareMeta)
{
    wxString shareId;
    {
        Call call(*this, "createShare");
        SoapSharing::sharing__createShareResponse reply;
        call.check(SoapSharing::soap_call_sharing__createShare(call.context(), call.endpoint(), "",
                                                               bytes(subject), bytes(message),
                                                               previewSize, shareMeta, reply));
        shareId = text(reply.shareid);
    }
    if (shareId.empty())
        throw Quorvel::ResponseException(_("Missing share id"));
    QDEBUG("[SHARINGCLIENT_3_0] Created share %s", shareId);
    return shareId;
}

std::vector<SharingClient_3_0::FileUpload>
SharingClient_3_0::getFileUploadList(const std::vector<FileId>& files)
{
    std::vector<SoapSharing::sharing__FileId> ids;
    for (const FileId& id : files)
        ids.push_back(RpasWire::toWire<SoapSharing::sharing__FileId>(id));
    SoapSharing::FileIdArray sent;
    sent.__ptr = ids.data();
    sent.__size = static_cast<int>(ids.size());
    Call call(*this, "getFileUploadList");
    SoapSharing::sharing__getFileUploadListResponse reply;
    call.check(SoapSharing::soap_call_sharing__getFileUploadList(call.context(), call.endpoint(),
                                                                 "", &sent, reply));
    std::vector<FileUpload> list;
    const SoapSharing::FileUploadArray* uploads = reply.uploadlist;
    for (int i = 0; uploads && uploads->__ptr && i < uploads->__size; ++i) {
        const SoapSharing::sharing__FileUpload& entry = uploads->__ptr[i];
        if (!entry.fileid)
            throw Quorvel::ResponseException(_("Missing file id in upload list"));
        list.push_back({text(entry.uploadurl), text(entry.needmeta), text(entry.needfile),
                        RpasWire::fromWire(*entry.fileid)});
    }
    return list;
}

void SharingClient_3_0::registerFile(const FileId& fileId, const FileInfo& info, bool uploaded)
{
    Call call(*this, "registerFile");
    auto id = RpasWire::toWire<SoapSharing::sharing__FileId>(fileId);
    RpasWire::SentInfo<SoapSharing::sharing__FileInfo, SoapSharing::sharing__TimeMask,
                       SoapSharing::StringArray>
        sent(info);
    SoapSharing::sharing__registerFileResponse reply;
    call.check(SoapSharing::soap_call_sharing__registerFile(call.context(), call.endpoint(), "",
                                                            &id, sent.get(), uploaded, reply));
    QDEBUG("[SHARINGCLIENT_3_0] Register file!");
}

void SharingClient_3_0::closeShare()
{
    Call call(*this, "closeShare");
    SoapSharing::sharing__closeShareResponse reply;
    call.check(
        SoapSharing::soap_call_sharing__closeShare(call.context(), call.endpoint(), "", reply));
    QDEBUG("[SHARINGCLIENT_3_0] Closed share!");
}

void SharingClient_3_0::shareByWeb(const wxString& shareId, const wxString& recipient)
{
    Call call(*this, "shareByWeb");
    SoapSharing::sharing__shareByWebResponse reply;
    call.check(SoapSharing::soap_call_sharing__shareByWeb(call.context(), call.endpoint(), "",
                                                          bytes(shareId), bytes(recipient), reply));
}

void SharingClient_3_0::shareByMms(const wxString& shareId, const wxString& recipient)
{
    Call call(*this, "shareByMms");
    SoapSharing::sharing__shareByMmsResponse reply;
    call.check(SoapSharing::soap_call_sharing__shareByMms(call.context(), call.endpoint(), "",
                                                          bytes(shareId), bytes(recipient), reply));
}

SharingClient_3_0::FileInfo SharingClient_3_0::getFileInformation(const FileId& fileId,
                                                                  const wxString& accessToken)
{
    Call call(*this, "getFileInformation");
    auto id = RpasWire::toWire<SoapSharing::sharing__FileId>(fileId);
    SoapSharing::sharing__getFileInformationResponse reply;
    call.check(SoapSharing::soap_call_sharing__getFileInformation(
        call.context(), call.endpoint(), "", &id, bytes(accessToken), reply));
    if (!reply.fileinfo)
        throw Quorvel::RuntimeException(_("Did not get file info in response"));
    return RpasWire::fromWire(*reply.fileinfo, reply.fileinfo->keywords);
}

void SharingClient_3_0::uploadFile(Quorvel::HTTPClient& http, const wxString& path,
                                   const wxString& url)
{
    RpasClient_3_0::uploadFile(http, path, url, _("Error before uploading file to share"));
}

} // namespace Brenmarle
