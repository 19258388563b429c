#include "service/StorageClient_3_0.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include "SoapStorageH.h"
#include "service/HTTPClient.h"
#include "service/RpasWire.h"
#include "service/SoapText.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/Task.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

using namespace SoapStorage;

constexpr auto* text = &Quorvel::SoapText::fromWire;
constexpr auto* bytes = &Quorvel::SoapText::toWire;

using SentInfo = RpasWire::SentInfo<storage__FileInfo, storage__TimeMask, StringArray>;

const wxString ALBUM_SCHEME = wxS("album://");
const wxString INBOX_URI = wxS("inbox://");

storage__FolderId toWire(const StorageClient_3_0::FolderId& id)
{
    storage__FolderId sent;
    sent.serveruuid = bytes(id.serverUuid);
    sent.clientref = bytes(id.clientRef);
    return sent;
}

StorageClient_3_0::SlotStatus fromWire(const storage__SlotStatus* status)
{
    if (!status)
        throw Quorvel::ResponseException(_("Missing slot status response"));
    return {status->slotsize,    status->freeleasedslots, status->freepurchasedslots,
            status->givenslots,  status->leasedslots,     status->purchasedslots,
            status->leasedfiles, status->purchasedfiles};
}

StorageClient_3_0::SyncFolder fromWire(const storage__SyncFolder& folder)
{
    return {text(folder.serveruuid), text(folder.clientref), text(folder.foldername),
            folder.updatetime, folder.metamodifytime};
}

StorageClient_3_0::SyncFile fromWire(const storage__SyncFile& file)
{
    StorageClient_3_0::SyncFile to;
    to.serverUuid = text(file.serveruuid);
    to.clientRef = text(file.clientref);
    to.fileModifyTime = file.filemodifytime;
    to.metaModifyTime = file.metamodifytime;
    to.fileName = text(file.filename);
    to.fileSize = file.filesize;
    to.storageType = static_cast<StorageClient_3_0::StorageType>(file.storagetype);
    to.uploadUrl = text(file.uploadurl);
    to.downloadUrl = text(file.downloadurl);
    return to;
}

[[noreturn]] void refuse(const wxString& what, const wxString& value)
{
    throw Quorvel::ResponseException(
        wxString::Format(_("The storage service sent an unusable %s: %s"), what,
                         Quorvel::WebAddress::printable(value)));
}

} // namespace

StorageClient_3_0::StorageClient_3_0(Quorvel::NetworkSettings& settings)
    : RpasClient_3_0("storage", SERVICE_PATH, settings)
{
}

StorageClient_3_0::StorageClient_3_0() : RpasClient_3_0("storage", SERVICE_PATH) {}

StorageClient_3_0::~StorageClient_3_0() = default;

void StorageClient_3_0::succeeded() const
{
    QDEBUG("[STORAGECLIENT_3_0] Call was successful");
}

wxString StorageClient_3_0::fileReference(const wxString& uri)
{
    return wxString::FromUTF8(FILE_PREFIX) + uri.AfterLast('/');
}

wxString StorageClient_3_0::folderReference(const wxString& folderUri)
{
    if (folderUri == INBOX_URI)
        return wxString::FromUTF8(INBOX_REFERENCE);
    if (!folderUri.StartsWith(ALBUM_SCHEME) || !folderUri.EndsWith("/") ||
        folderUri.length() <= ALBUM_SCHEME.length() + 1)
        return wxString();
    return wxString::FromUTF8(FOLDER_PREFIX) +
           folderUri.Mid(ALBUM_SCHEME.length(), folderUri.length() - ALBUM_SCHEME.length() - 1);
}

bool StorageClient_3_0::isPlainName(const wxString& name)
{
    if (name.empty() || name.StartsWith("."))
        return false;
    for (const wxUniChar c : name)
        if (c == '/' || c == '\\' || c < 0x20 || c == 0x7f)
            return false;
    return true;
}

wxString StorageClient_3_0::localFileName(const SyncFile& file)
{
    const wxString prefix = wxString::FromUTF8(FILE_PREFIX);
    const wxString name =
        file.clientRef.StartsWith(prefix) ? file.clientRef.Mid(prefix.length()) : file.fileName;
    if (!isPlainName(name))
        refuse(_("file name"), name);
    return name;
}

void StorageClient_3_0::checkFileSize(int64_t size, const wxString& name)
{
    if (size >= MAX_FILE_BYTES)
        throw Quorvel::IOException(
            wxS("System.FileTooLarge"),
            wxString::Format(_("%s is too large for safe storage: files of 2 GB or more cannot "
                               "be stored"),
                             name));
}

void StorageClient_3_0::checkFolder(const SyncFolder& folder) const
{
    if (folder.serverUuid.empty())
        refuse(_("folder without id"), folder.clientRef);
    const wxString prefix = wxString::FromUTF8(FOLDER_PREFIX);
    if (folder.clientRef.empty() || folder.clientRef == wxString::FromUTF8(INBOX_REFERENCE))
        return;
    if (!folder.clientRef.StartsWith(prefix) || !isPlainName(folder.clientRef.Mid(prefix.length())))
        refuse(_("folder reference"), folder.clientRef);
}

void StorageClient_3_0::checkFile(const SyncFile& file) const
{
    if (file.serverUuid.empty())
        refuse(_("file without id"), file.clientRef);
    const wxString prefix = wxString::FromUTF8(FILE_PREFIX);
    if (!file.clientRef.empty() && !file.clientRef.StartsWith(prefix))
        refuse(_("file reference"), file.clientRef);
    localFileName(file);
    if (file.storageType != StorageClient_3_0::RENTED_STORAGE &&
        file.storageType != StorageClient_3_0::PURCHASED_STORAGE)
        refuse(_("storage type"), wxString::Format("%d", static_cast<int>(file.storageType)));
    if (file.fileSize < 0)
        refuse(_("file size"), wxString::Format("%lld", static_cast<long long>(file.fileSize)));
    // Transfer addresses on another server would collect the session's credentials.
    for (const wxString& url : {file.uploadUrl, file.downloadUrl})
        if (!url.empty() && !isOwnServer(url))
            refuse(_("transfer address"), url);
}

wxString StorageClient_3_0::createSession()
{
    wxString sessionId;
    {
        Call call(*this, "createSession");
        storage__createSessionResponse reply;
        call.check(soap_call_storage__createSession(call.context(), call.endpoint(), "", reply));
        sessionId = text(reply.sessionid);
    }
    if (sessionId.empty())
        throw Quorvel::ResponseException(_("Missing session id"));
    useSession(sessionId);
    succeeded();
    return sessionId;
}

void StorageClient_3_0::closeSession()
{
    Call call(*this, "closeSession");
    storage__closeSessionResponse reply;
    call.check(soap_call_storage__closeSession(call.context(), call.endpoint(), "", reply));
    succeeded();
}

StorageClient_3_0::SlotStatus StorageClient_3_0::getSlotStatus()
{
    Call call(*this, "getSlotStatus");
    storage__getSlotStatusResponse reply;
    call.check(soap_call_storage__getSlotStatus(call.context(), call.endpoint(), "", reply));
    return fromWire(reply.slotstatus);
}

StorageClient_3_0::SlotStatus StorageClient_3_0::reserveSlots(const SyncFolder& folder,
                                                              const SyncFile& file)
{
    checkFileSize(file.fileSize, file.fileName);
    storage__SyncFolder sentFolder;
    sentFolder.serveruuid = bytes(folder.serverUuid);
    sentFolder.clientref = bytes(folder.clientRef);
    sentFolder.foldername = bytes(folder.folderName);
    sentFolder.updatetime = folder.updateTime;
    sentFolder.metamodifytime = folder.metaModifyTime;
    storage__SyncFile sentFile;
    sentFile.serveruuid = bytes(file.serverUuid);
    sentFile.clientref = bytes(file.clientRef);
    sentFile.filemodifytime = file.fileModifyTime;
    sentFile.metamodifytime = file.metaModifyTime;
    sentFile.filename = bytes(file.fileName);
    sentFile.filesize = static_cast<int>(file.fileSize);
    sentFile.storagetype = static_cast<storage__StorageType>(file.storageType);
    sentFile.uploadurl = bytes(file.uploadUrl);
    sentFile.downloadurl = bytes(file.downloadUrl);
    Call call(*this, "reserveSlots");
    storage__reserveSlotsResponse reply;
    call.check(soap_call_storage__reserveSlots(call.context(), call.endpoint(), "", &sentFolder,
                                               &sentFile, reply));
    return fromWire(reply.slotstatus);
}

StorageClient_3_0::SlotStatus StorageClient_3_0::releaseSlots(const FileId& file)
{
    storage__FileId id = RpasWire::toWire<storage__FileId>(file);
    Call call(*this, "releaseSlots");
    storage__releaseSlotsResponse reply;
    call.check(soap_call_storage__releaseSlots(call.context(), call.endpoint(), "", &id, reply));
    return fromWire(reply.slotstatus);
}

std::vector<StorageClient_3_0::Subscription> StorageClient_3_0::getActiveSubscriptions()
{
    Call call(*this, "getActiveSubscriptions");
    storage__getActiveSubscriptionsResponse reply;
    call.check(
        soap_call_storage__getActiveSubscriptions(call.context(), call.endpoint(), "", reply));
    std::vector<Subscription> list;
    const SubscriptionArray* array = reply.subscriptions;
    for (int i = 0; array && array->__ptr && i < array->__size; ++i) {
        const storage__Subscription& entry = array->__ptr[i];
        list.push_back({text(entry.type), entry.slots, entry.from, entry.expires, entry.price,
                        text(entry.currency)});
    }
    succeeded();
    return list;
}

std::vector<StorageClient_3_0::SubscriptionPackage> StorageClient_3_0::getSubscriptionPackages()
{
    Call call(*this, "getSubscriptionPackages");
    storage__getSubscriptionPackagesResponse reply;
    call.check(
        soap_call_storage__getSubscriptionPackages(call.context(), call.endpoint(), "", reply));
    std::vector<SubscriptionPackage> list;
    const SubscriptionPackageArray* array = reply.packages;
    for (int i = 0; array && array->__ptr && i < array->__size; ++i) {
        const storage__SubscriptionPackage& entry = array->__ptr[i];
        list.push_back(
            {entry.slots, entry.slotsize, text(entry.period), entry.price, text(entry.currency)});
    }
    succeeded();
    return list;
}

StorageClient_3_0::Transaction StorageClient_3_0::initiateSubscription(int slots,
                                                                       const wxString& period)
{
    Call call(*this, "initiateSubscription");
    storage__initiateSubscriptionResponse reply;
    call.check(soap_call_storage__initiateSubscription(call.context(), call.endpoint(), "", slots,
                                                       bytes(period), reply));
    Transaction transaction{text(reply.paymentserver), text(reply.transactionid)};
    if (transaction.transactionId.empty())
        throw Quorvel::ResponseException(_("Missing transaction id"));
    succeeded();
    return transaction;
}

StorageClient_3_0::Confirmation
StorageClient_3_0::confirmSubscription(const wxString& transactionId)
{
    Call call(*this, "confirmSubscription");
    storage__confirmSubscriptionResponse reply;
    call.check(soap_call_storage__confirmSubscription(call.context(), call.endpoint(), "",
                                                      bytes(transactionId), reply));
    return {reply.newslots, reply.expires, fromWire(reply.slotstatus)};
}

void StorageClient_3_0::applyClientOperations(const std::vector<ClientOperation>& operations)
{
    std::vector<storage__ClientOperation> sent(operations.size());
    for (size_t i = 0; i < operations.size(); ++i) {
        sent[i].type = static_cast<storage__ClientOperationType>(operations[i].type);
        sent[i].time = operations[i].time;
        sent[i].fileclientref = bytes(operations[i].fileClientRef);
        sent[i].folderclientref = bytes(operations[i].folderClientRef);
    }
    ClientOperationArray array;
    array.__ptr = sent.data();
    array.__size = static_cast<int>(sent.size());
    Call call(*this, "applyClientOperations");
    storage__applyClientOperationsResponse reply;
    call.check(soap_call_storage__applyClientOperations(call.context(), call.endpoint(), "", &array,
                                                        reply));
    succeeded();
}

std::time_t StorageClient_3_0::getUpdateTime()
{
    Call call(*this, "getUpdateTime");
    storage__getUpdateTimeResponse reply;
    call.check(soap_call_storage__getUpdateTime(call.context(), call.endpoint(), "", reply));
    return reply.updatetime;
}

std::vector<StorageClient_3_0::SyncFolder> StorageClient_3_0::getFolderList()
{
    Call call(*this, "getFolderList");
    storage__getFolderListResponse reply;
    call.check(soap_call_storage__getFolderList(call.context(), call.endpoint(), "", reply));
    std::vector<SyncFolder> list;
    const SyncFolderArray* array = reply.folderlist;
    for (int i = 0; array && array->__ptr && i < array->__size; ++i) {
        list.push_back(fromWire(array->__ptr[i]));
        checkFolder(list.back());
    }
    succeeded();
    return list;
}

void StorageClient_3_0::setFolderClientRef(const FolderId& folder, const wxString& clientRef)
{
    storage__FolderId id = toWire(folder);
    Call call(*this, "setFolderClientRef");
    storage__setFolderClientRefResponse reply;
    call.check(soap_call_storage__setFolderClientRef(call.context(), call.endpoint(), "", &id,
                                                     bytes(clientRef), reply));
    succeeded();
}

StorageClient_3_0::FolderInfo StorageClient_3_0::getFolderInfo(const FolderId& folder)
{
    storage__FolderId id = toWire(folder);
    Call call(*this, "getFolderInfo");
    storage__getFolderInfoResponse reply;
    call.check(soap_call_storage__getFolderInfo(call.context(), call.endpoint(), "", &id, reply));
    const storage__FolderInfo* info = reply.folderinfo;
    if (!info)
        throw Quorvel::ResponseException(_("Missing folder information"));
    return {text(info->foldername), text(info->description), info->creationtime, info->updatetime,
            info->metamodifytime};
}

void StorageClient_3_0::setFolderInfo(const FolderId& folder, const FolderInfo& info)
{
    storage__FolderId id = toWire(folder);
    storage__FolderInfo sent;
    sent.foldername = bytes(info.folderName);
    sent.description = bytes(info.description);
    sent.creationtime = info.creationTime;
    sent.updatetime = info.updateTime;
    sent.metamodifytime = info.metaModifyTime;
    Call call(*this, "setFolderInfo");
    storage__setFolderInfoResponse reply;
    call.check(
        soap_call_storage__setFolderInfo(call.context(), call.endpoint(), "", &id, &sent, reply));
    succeeded();
}

std::vector<StorageClient_3_0::SyncFile> StorageClient_3_0::getFileList(const FolderId& folder)
{
    storage__FolderId id = toWire(folder);
    Call call(*this, "getFileList");
    storage__getFileListResponse reply;
    call.check(soap_call_storage__getFileList(call.context(), call.endpoint(), "", &id, reply));
    std::vector<SyncFile> list;
    const SyncFileArray* array = reply.filelist;
    for (int i = 0; array && array->__ptr && i < array->__size; ++i) {
        list.push_back(fromWire(array->__ptr[i]));
        checkFile(list.back());
    }
    succeeded();
    return list;
}

void StorageClient_3_0::setFileClientRef(const FileId& file, const wxString& clientRef)
{
    storage__FileId id = RpasWire::toWire<storage__FileId>(file);
    Call call(*this, "setFileClientRef");
    storage__setFileClientRefResponse reply;
    call.check(soap_call_storage__setFileClientRef(call.context(), call.endpoint(), "", &id,
                                                   bytes(clientRef), reply));
    succeeded();
}

RpasClient_3_0::FileInfo StorageClient_3_0::getFileInfo(const FileId& file)
{
    storage__FileId id = RpasWire::toWire<storage__FileId>(file);
    Call call(*this, "getFileInfo");
    storage__getFileInfoResponse reply;
    call.check(soap_call_storage__getFileInfo(call.context(), call.endpoint(), "", &id, reply));
    if (!reply.fileinfo)
        throw Quorvel::ResponseException(_("Missing file information"));
    FileInfo info = RpasWire::fromWire(*reply.fileinfo, reply.fileinfo->keywords);
    if (info.serverUuid.empty())
        refuse(_("file without id"), info.clientRef);
    succeeded();
    return info;
}

void StorageClient_3_0::registerFile(const FileId& file, const FileInfo& info, bool uploaded)
{
    checkFileSize(info.fileSize, info.fileName);
    storage__FileId id = RpasWire::toWire<storage__FileId>(file);
    SentInfo sent(info);
    Call call(*this, "registerFile");
    storage__registerFileResponse reply;
    call.check(soap_call_storage__registerFile(call.context(), call.endpoint(), "", &id, sent.get(),
                                               uploaded, reply));
    succeeded();
}

void StorageClient_3_0::uploadFile(Quorvel::HTTPClient& http, const wxString& path,
                                   const wxString& url)
{
    const wxULongLong size = wxFileName::GetSize(path);
    if (size != wxInvalidSize)
        checkFileSize(static_cast<int64_t>(size.GetValue()), wxFileName(path).GetFullName());
    RpasClient_3_0::uploadFile(http, path, url, _("Error before uploading file to storage"));
}

void StorageClient_3_0::fetchFile(const SyncFile& file, const wxString& target, Quorvel::Task& task)
{
    const wxString name = wxFileName(target).GetFullName();
    if (file.downloadUrl.empty())
        throw Quorvel::IOException(
            wxString::Format(_("Error downloading file: nothing of %s has been stored yet"), name));
    const std::unique_ptr<Quorvel::HTTPClient> transfer = newTransferClient();
    Quorvel::HTTPClient& http = *transfer;
    http.setAbortCheck([&task] { return task.isAborted(); });
    downloadFile(http, file.downloadUrl);
    Quorvel::OutputFile output(target);
    int64_t received = 0;
    try {
        http.readBody([&](const char* data, size_t size) {
            received += static_cast<int64_t>(size);
            if (received > file.fileSize)
                throw Quorvel::IOException(_("More bytes than the file has"));
            output.write(data, size);
        });
    } catch (const Quorvel::AbortException&) {
        throw;
    } catch (const Quorvel::Exception& e) {
        if (task.isAborted())
            throw Quorvel::AbortException(_("Task aborted on request"));
        throw Quorvel::IOException(e.getCode(),
                                   _("Error downloading file") + wxS(": ") + e.getMessage());
    }
    task.checkAbort();
    if (received != file.fileSize) {
        QDEBUG("[SYNCHRONIZETASK] Downloaded %lld bytes", static_cast<long long>(received));
        QDEBUG("[SYNCHRONIZETASK] Expected %lld bytes", static_cast<long long>(file.fileSize));
        throw Quorvel::IOException(wxString::Format(
            _("Error downloading file: %lld of %lld bytes arrived"),
            static_cast<long long>(received), static_cast<long long>(file.fileSize)));
    }
    try {
        http.verifyDownloadedFile(output.getTemporaryPath());
    } catch (const Quorvel::Exception& e) {
        throw Quorvel::IOException(_("Error downloading file") + wxS(": ") + e.getMessage());
    }
    output.commit(Quorvel::OutputFile::Replace::Yes, Quorvel::OutputFile::Flush::Yes);
}

} // namespace Brenmarle
