// The sharing service: sessions, shares made in a session (subject, message, preview size,
// whether the pictures' information goes with them), the list of pictures a share still lacks
// (uploaded to the provider's own upload endpoint), their registration, closing, and sending a
// closed share to recipients over the web or by MMS; and the information of a shared file for
// whoever holds a recipient's access token.
//
// A share is sent to each recipient once: the recipients served are kept per share, and a
// repeated send (a client retrying after a reply lost on the way) is answered as done without
// sending again. The reference provider sends neither mail nor MMS: it logs what it would send,
// with the recipient's address of the share's web page (SharePages), and the journal records
// every send with whether it was new.
//
// An MMS is charged to the account's activated mobile phone (the portal's mobile activation):
// without one shareByMms is refused. An MMS carries at most MAX_MMS_PICTURES pictures, as
// previews of at most 640 x 480.

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "EmailAddress.h"
#include "ProviderRequest.h"
#include "ProviderServer.h"
#include "ProviderSharingH.h"
#include "SharePages.h"

using Provider::ProviderRequest;
using Provider::ProviderStore;
using StoredShare = ProviderStore::StoredShare;

namespace {

const std::string REFERENCE_PREFIX = "ssfile://";
const size_t MAX_SHARE_FILES = 1000;
const size_t MAX_MMS_PICTURES = 2;
const size_t MIN_PHONE_DIGITS = 5;
const size_t MAX_PHONE_DIGITS = 20;
const int PREVIEW_SIZES[] = {0, 160, 320, 640, 1280};
const int MMS_PREVIEW_SIZES[] = {160, 320, 640};

// The session's account, or the return value of a refusal in `status`.
std::optional<ProviderStore::Account> requireSession(struct soap* soap, int& status)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    auto account = request.requireAccount(status);
    if (account && !request.usesSession()) {
        status = ProviderRequest::clientFault(soap, "NoSession",
                                              "Open a session with createSession first");
        return std::nullopt;
    }
    return account;
}

// The session's share, or a refusal in `status`; with `open` also for a closed share, as
// nothing about it may change any more.
std::optional<StoredShare> requireShare(struct soap* soap, int& status, bool open)
{
    if (!requireSession(soap, status))
        return std::nullopt;
    ProviderRequest& request = ProviderRequest::of(soap);
    auto share = request.store().sessionShare(request.sessionId());
    if (!share) {
        status = ProviderRequest::clientFault(soap, "NoShare", "Create a share first");
    } else if (open && share->closed) {
        status = ProviderRequest::clientFault(soap, "ShareClosed", "The share is closed already");
        share.reset();
    }
    return share;
}

// The closed share `shareId` of the session's account, to be sent; or a refusal in `status`.
std::optional<StoredShare> requireSendable(struct soap* soap, int& status,
                                           const std::string& shareId)
{
    const auto account = requireSession(soap, status);
    if (!account)
        return std::nullopt;
    auto share = ProviderRequest::of(soap).store().findShare(shareId);
    // Another account's share is not told apart from none.
    if (!share || share->accountId != account->id) {
        status = ProviderRequest::clientFault(soap, "UnknownShare", "No such share: " + shareId);
        return std::nullopt;
    }
    if (!share->closed) {
        status = ProviderRequest::clientFault(soap, "ShareNotClosed", "Close the share first");
        return std::nullopt;
    }
    return share;
}

bool isPhoneNumber(const std::string& text)
{
    return text.size() >= MIN_PHONE_DIGITS && text.size() <= MAX_PHONE_DIGITS &&
           std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isdigit(c) != 0; });
}

template <size_t N> bool isOneOf(int value, const int (&values)[N])
{
    return std::find(std::begin(values), std::end(values), value) != std::end(values);
}

ProviderSharing::sharing__FileId* newFileId(struct soap* soap, const ProviderStore::ShareFile& file)
{
    auto* id = ProviderSharing::soap_new_sharing__FileId(soap);
    id->serveruuid = file.serverUuid;
    id->clientref = file.clientRef;
    id->filemodifytime = static_cast<time_t>(file.fileModifyTime);
    id->metamodifytime = static_cast<time_t>(file.metaModifyTime);
    return id;
}

// The file information kept with a registered file.
std::string infoText(const ProviderSharing::sharing__FileInfo& info)
{
    nlohmann::json keywords = nlohmann::json::array();
    for (int i = 0; info.keywords && info.keywords->__ptr && i < info.keywords->__size; ++i)
        keywords.push_back(info.keywords->__ptr[i]);
    const nlohmann::json text = {{"filename", info.filename},
                                 {"filesize", info.filesize},
                                 {"contenttype", info.contenttype},
                                 {"caption", info.caption},
                                 {"time", info.time},
                                 {"creator", info.creator},
                                 {"source", info.source},
                                 {"copyright", info.copyright},
                                 {"sublocation", info.sublocation},
                                 {"city", info.city},
                                 {"province", info.province},
                                 {"countrycode", info.countrycode},
                                 {"keywords", keywords},
                                 {"imagewidth", info.imagewidth},
                                 {"imageheight", info.imageheight},
                                 {"favorite", info.favorite}};
    return text.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// The information a recipient gets: name, size and type always, the rest only when the share
// includes the pictures' information.
ProviderSharing::sharing__FileInfo* newFileInfo(struct soap* soap, const StoredShare& share,
                                                const ProviderStore::ShareFile& file)
{
    auto* info = ProviderSharing::soap_new_sharing__FileInfo(soap);
    info->serveruuid = file.serverUuid;
    info->clientref = file.clientRef;
    info->filemodifytime = static_cast<time_t>(file.fileModifyTime);
    info->metamodifytime = static_cast<time_t>(file.metaModifyTime);
    info->filesize = static_cast<int>(file.bytes);
    info->timemask = ProviderSharing::soap_new_sharing__TimeMask(soap);
    info->keywords = ProviderSharing::soap_new_StringArray(soap);
    info->keywords->__size = 0;
    info->keywords->__ptr = nullptr;
    const nlohmann::json kept = nlohmann::json::parse(file.info, nullptr, false);
    if (!kept.is_object())
        return info;
    const auto text = [&](const char* name) { return kept.value(name, std::string()); };
    info->filename = text("filename");
    info->contenttype = text("contenttype");
    info->imagewidth = kept.value("imagewidth", 0);
    info->imageheight = kept.value("imageheight", 0);
    if (!share.shareMeta)
        return info;
    info->caption = text("caption");
    info->time = kept.value("time", static_cast<time_t>(0));
    info->creator = text("creator");
    info->source = text("source");
    info->copyright = text("copyright");
    info->sublocation = text("sublocation");
    info->city = text("city");
    info->province = text("province");
    info->countrycode = text("countrycode");
    info->favorite = kept.value("favorite", false);
    const auto keywords = kept.value("keywords", nlohmann::json::array());
    info->keywords->__size = static_cast<int>(keywords.size());
    info->keywords->__ptr =
        keywords.empty() ? nullptr
                         : ProviderSharing::soap_new_std__string(soap, info->keywords->__size);
    for (size_t i = 0; i < keywords.size(); ++i)
        info->keywords->__ptr[i] = keywords[i].is_string() ? keywords[i].get<std::string>() : "";
    return info;
}

// Sends the share to one recipient by `method`, once; journals whether it was new.
int sendShare(struct soap* soap, const std::string& shareId, const std::string& method,
              const std::string& recipient)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    const auto sent = request.store().addShareRecipient(shareId, method, recipient);
    request.journalEntry().arguments.emplace_back("sent", sent.added ? "new" : "already");
    if (!sent.added) {
        request.log("Share " + shareId + " was sent to " + recipient + " before: not again");
        return SOAP_OK;
    }
    request.log("Share " + shareId + " sent by " + method + " to " + recipient + ": " +
                request.address(Provider::SharePages::pageAddress(sent.accessToken)));
    return SOAP_OK;
}

} // namespace

int ProviderSharing::sharing__getMmsInfo(struct soap* soap, sharing__getMmsInfoResponse& result)
{
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    if (!request.requireAccount(status))
        return status;
    result.pricepermms = request.config().mmsPrice;
    result.currency = request.config().mmsCurrency;
    return SOAP_OK;
}

int ProviderSharing::sharing__createSession(struct soap* soap,
                                            sharing__createSessionResponse& result)
{
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    if (const auto account = request.requireAccount(status))
        result.sessionid = request.store().createSession(account->id);
    return status;
}

int ProviderSharing::sharing__closeSession(struct soap* soap, sharing__closeSessionResponse&)
{
    int status = SOAP_OK;
    ProviderRequest& request = ProviderRequest::of(soap);
    if (requireSession(soap, status))
        request.store().closeSession(request.sessionId());
    return status;
}

int ProviderSharing::sharing__createShare(struct soap* soap, std::string subject,
                                          std::string message, int previewsize, bool sharemeta,
                                          sharing__createShareResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"subject", subject},
                       {"message", message},
                       {"previewsize", std::to_string(previewsize)},
                       {"sharemeta", sharemeta ? "true" : "false"}});
    int status = SOAP_OK;
    const auto account = requireSession(soap, status);
    if (!account)
        return status;
    if (!isOneOf(previewsize, PREVIEW_SIZES))
        return ProviderRequest::clientFault(
            soap, "PreviewSize", "Unsupported preview size: " + std::to_string(previewsize));
    result.shareid = request.store().createShare(account->id, request.sessionId(), subject, message,
                                                 previewsize, sharemeta);
    request.log("Created share " + result.shareid);
    return SOAP_OK;
}

int ProviderSharing::sharing__getFileUploadList(struct soap* soap, FileIdArray* files,
                                                sharing__getFileUploadListResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    const int count = files && files->__ptr ? files->__size : 0;
    request.arguments({{"files", std::to_string(count)}});
    int status = SOAP_OK;
    const auto share = requireShare(soap, status, true);
    if (!share)
        return status;
    if (count <= 0 || static_cast<size_t>(count) > MAX_SHARE_FILES)
        return ProviderRequest::clientFault(soap, "FileCount",
                                            "A share has from 1 to " +
                                                std::to_string(MAX_SHARE_FILES) + " files");
    std::vector<ProviderStore::ShareFile> listed;
    std::set<std::string> references;
    for (int i = 0; i < count; ++i) {
        const sharing__FileId& id = files->__ptr[i];
        if (id.clientref.compare(0, REFERENCE_PREFIX.size(), REFERENCE_PREFIX) != 0 ||
            id.clientref.size() == REFERENCE_PREFIX.size())
            return ProviderRequest::clientFault(soap, "UnknownClientRef",
                                                "Unknown clientref: " + id.clientref);
        // Two files under one name would be one file here.
        if (!references.insert(id.clientref).second)
            return ProviderRequest::clientFault(soap, "DuplicateClientRef",
                                                "Two files are named " + id.clientref);
        ProviderStore::ShareFile file;
        file.clientRef = id.clientref;
        file.fileModifyTime = id.filemodifytime;
        file.metaModifyTime = id.metamodifytime;
        listed.push_back(file);
    }
    std::vector<ProviderStore::ShareFile> missing;
    for (const auto& file : request.store().addShareFiles(share->id, listed))
        if (!file.registered && references.count(file.clientRef))
            missing.push_back(file);
    result.uploadlist = soap_new_FileUploadArray(soap);
    result.uploadlist->__size = static_cast<int>(missing.size());
    result.uploadlist->__ptr =
        missing.empty() ? nullptr : soap_new_sharing__FileUpload(soap, result.uploadlist->__size);
    for (size_t i = 0; i < missing.size(); ++i) {
        sharing__FileUpload& entry = result.uploadlist->__ptr[i];
        entry.uploadurl =
            request.address("/upload/" + std::string(Provider::SharePages::UPLOAD_FOLDER) + "/" +
                            share->id + "/" + missing[i].serverUuid);
        entry.needmeta = "true";
        entry.needfile = "true";
        entry.fileid = newFileId(soap, missing[i]);
    }
    return SOAP_OK;
}

int ProviderSharing::sharing__registerFile(struct soap* soap, sharing__FileId* fileid,
                                           sharing__FileInfo* fileinfo, bool uploaded,
                                           sharing__registerFileResponse&)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"serveruuid", fileid ? fileid->serveruuid : std::string()},
                       {"clientref", fileid ? fileid->clientref : std::string()},
                       {"filename", fileinfo ? fileinfo->filename : std::string()},
                       {"filesize", fileinfo ? std::to_string(fileinfo->filesize) : std::string()},
                       {"imagewidth", fileinfo ? std::to_string(fileinfo->imagewidth) : ""},
                       {"imageheight", fileinfo ? std::to_string(fileinfo->imageheight) : ""},
                       {"uploaded", uploaded ? "true" : "false"}});
    int status = SOAP_OK;
    const auto share = requireShare(soap, status, true);
    if (!share)
        return status;
    if (!fileid || !fileinfo)
        return ProviderRequest::clientFault(soap, "MissingData", "No file id or file information");
    const auto files = request.store().shareFiles(share->id);
    const auto file = std::find_if(files.begin(), files.end(), [&](const auto& candidate) {
        return candidate.serverUuid == fileid->serveruuid;
    });
    if (file == files.end())
        return ProviderRequest::clientFault(soap, "UnknownFile",
                                            "The share has no file " + fileid->serveruuid);
    const std::string path = Provider::SharePages::uploadedPath(
        request.server().dataDir(), share->accountId, share->id, file->serverUuid);
    struct stat info;
    if (!uploaded || ::stat(path.c_str(), &info) != 0)
        return ProviderRequest::clientFault(soap, "FileNotUploaded",
                                            "The file has not been uploaded: " + file->clientRef);
    if (fileinfo->filesize != info.st_size)
        return ProviderRequest::clientFault(soap, "FileSize",
                                            "The file uploaded has " +
                                                std::to_string(info.st_size) + " bytes, not " +
                                                std::to_string(fileinfo->filesize));
    // The upload endpoint kept the file only when its MD5 matched.
    request.store().registerShareFile(share->id, file->serverUuid, info.st_size,
                                      infoText(*fileinfo));
    return SOAP_OK;
}

int ProviderSharing::sharing__closeShare(struct soap* soap, sharing__closeShareResponse&)
{
    int status = SOAP_OK;
    const auto share = requireShare(soap, status, false);
    if (!share)
        return status;
    ProviderRequest& request = ProviderRequest::of(soap);
    const auto files = request.store().shareFiles(share->id);
    if (files.empty())
        return ProviderRequest::clientFault(soap, "NoFiles", "The share has no files");
    for (const auto& file : files)
        if (!file.registered)
            return ProviderRequest::clientFault(soap, "FilesMissing",
                                                "A file of the share has not been uploaded: " +
                                                    file.clientRef);
    request.store().closeShare(share->id);
    request.log("Closed share " + share->id);
    return SOAP_OK;
}

int ProviderSharing::sharing__shareByWeb(struct soap* soap, std::string shareid,
                                         std::string recipient, sharing__shareByWebResponse&)
{
    ProviderRequest::of(soap).arguments({{"shareid", shareid}, {"recipient", recipient}});
    int status = SOAP_OK;
    if (!requireSendable(soap, status, shareid))
        return status;
    if (!Provider::EmailAddress::isWellFormed(recipient))
        return ProviderRequest::clientFault(soap, "InvalidRecipient",
                                            "Not an e-mail address: " + recipient);
    return sendShare(soap, shareid, "web", recipient);
}

int ProviderSharing::sharing__shareByMms(struct soap* soap, std::string shareid,
                                         std::string recipient, sharing__shareByMmsResponse&)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"shareid", shareid}, {"recipient", recipient}});
    int status = SOAP_OK;
    const auto share = requireSendable(soap, status, shareid);
    if (!share)
        return status;
    if (!isPhoneNumber(recipient))
        return ProviderRequest::clientFault(soap, "InvalidRecipient",
                                            "Not a phone number: " + recipient);
    const auto account = request.authenticate();
    if (!account || account->activatedPhone.empty())
        return ProviderRequest::clientFault(soap, "NoActivatedMobile",
                                            "Activate a mobile phone to pay for MMS first");
    const size_t pictures = request.store().shareFiles(shareid).size();
    if (pictures > MAX_MMS_PICTURES)
        return ProviderRequest::clientFault(soap, "TooManyPictures",
                                            "An MMS carries at most " +
                                                std::to_string(MAX_MMS_PICTURES) + " pictures");
    if (!isOneOf(share->previewSize, MMS_PREVIEW_SIZES))
        return ProviderRequest::clientFault(soap, "PreviewSize",
                                            "An MMS carries previews of at most 640 x 480");
    const auto& config = request.config();
    request.journalEntry().arguments.emplace_back(
        "charge", std::to_string(static_cast<double>(pictures) * config.mmsPrice) + " " +
                      config.mmsCurrency + " to " + account->activatedPhone);
    return sendShare(soap, shareid, "mms", recipient);
}

int ProviderSharing::sharing__getFileInformation(struct soap* soap, sharing__FileId* fileid,
                                                 std::string accesstoken,
                                                 sharing__getFileInformationResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"serveruuid", fileid ? fileid->serveruuid : std::string()},
                       {"accesstoken", accesstoken}});
    // The access token is the credential: a recipient has no account here.
    const auto shared = Provider::SharePages::sharedFile(request.store(), accesstoken,
                                                         fileid ? fileid->serveruuid : "");
    if (!shared)
        return ProviderRequest::clientFault(soap, "NotFound", "No such shared file");
    result.fileinfo = newFileInfo(soap, shared->share, shared->file);
    return SOAP_OK;
}
