#include "service/StorageClient_3_0_Task.h"

#include <algorithm>

#include <wx/filename.h>
#include <wx/intl.h>

#include "service/HTTPClient.h"
#include "util/InputFile.h"

namespace Brenmarle {

namespace {

bool isSlotRefusal(const wxString& code)
{
    return code == wxS("SoapClient.Slots") || code == wxS("SoapClient.InsufficientSlots");
}

} // namespace

StorageClient_3_0_Task::StorageClient_3_0_Task(const Client& client, int operation)
    : ServiceTask(client, operation, wxS("STORAGECLIENT_3_0_Task"))
{
}

StorageClient_3_0_Task::TaskRef StorageClient_3_0_Task::createSession(const Client& client)
{
    return Quorvel::makeRef<StorageClient_3_0_Task>(client, CREATE_SESSION);
}

StorageClient_3_0_Task::TaskRef StorageClient_3_0_Task::closeSession(const Client& client)
{
    return Quorvel::makeRef<StorageClient_3_0_Task>(client, CLOSE_SESSION);
}

StorageClient_3_0_Task::TaskRef StorageClient_3_0_Task::getActiveSubscriptions(const Client& client)
{
    return Quorvel::makeRef<StorageClient_3_0_Task>(client, GET_ACTIVE_SUBSCRIPTIONS);
}

StorageClient_3_0_Task::TaskRef
StorageClient_3_0_Task::getSubscriptionPackages(const Client& client)
{
    return Quorvel::makeRef<StorageClient_3_0_Task>(client, GET_SUBSCRIPTION_PACKAGES);
}

StorageClient_3_0_Task::TaskRef StorageClient_3_0_Task::initiateSubscription(const Client& client,
                                                                             int slots,
                                                                             const wxString& period)
{
    auto task = Quorvel::makeRef<StorageClient_3_0_Task>(client, INITIATE_SUBSCRIPTION);
    task->slots = slots;
    task->period = period;
    return task;
}

StorageClient_3_0_Task::TaskRef
StorageClient_3_0_Task::confirmSubscription(const Client& client, const wxString& transactionId)
{
    auto task = Quorvel::makeRef<StorageClient_3_0_Task>(client, CONFIRM_SUBSCRIPTION);
    task->transactionId = transactionId;
    return task;
}

StorageClient_3_0_Task::TaskRef StorageClient_3_0_Task::getSlotStatus(const Client& client)
{
    return Quorvel::makeRef<StorageClient_3_0_Task>(client, GET_SLOT_STATUS);
}

StorageClient_3_0_Task::TaskRef
StorageClient_3_0_Task::reserveSlots(const Client& client, const std::vector<Reservation>& pictures)
{
    auto task = Quorvel::makeRef<StorageClient_3_0_Task>(client, RESERVE_SLOTS);
    task->reservations = pictures;
    return task;
}

StorageClient_3_0_Task::TaskRef
StorageClient_3_0_Task::releaseSlots(const Client& client,
                                     const std::vector<StorageClient_3_0::FileId>& files)
{
    auto task = Quorvel::makeRef<StorageClient_3_0_Task>(client, RELEASE_SLOTS);
    task->releases = files;
    return task;
}

StorageClient_3_0_Task::TaskRef StorageClient_3_0_Task::applyClientOperations(
    const Client& client, const std::vector<StorageClient_3_0::ClientOperation>& operations)
{
    auto task = Quorvel::makeRef<StorageClient_3_0_Task>(client, APPLY_CLIENT_OPERATIONS);
    task->operations = operations;
    return task;
}

StorageClient_3_0_Task::TaskRef
StorageClient_3_0_Task::uploadFile(const Client& client, const StorageClient_3_0::SyncFile& file,
                                   const wxString& path, const StorageClient_3_0::FileInfo& info)
{
    auto task = Quorvel::makeRef<StorageClient_3_0_Task>(client, UPLOAD_FILE);
    task->file = file;
    task->path = path;
    task->fileInfo = info;
    return task;
}

StorageClient_3_0_Task::TaskRef
StorageClient_3_0_Task::downloadFile(const Client& client, const StorageClient_3_0::SyncFile& file,
                                     const wxString& folderPath)
{
    auto task = Quorvel::makeRef<StorageClient_3_0_Task>(client, DOWNLOAD_FILE);
    task->file = file;
    task->path = folderPath;
    return task;
}

StorageClient_3_0_Task::TaskRef StorageClient_3_0_Task::getFolderList(const Client& client)
{
    return Quorvel::makeRef<StorageClient_3_0_Task>(client, GET_FOLDER_LIST);
}

void StorageClient_3_0_Task::runOperation(int operation)
{
    StorageClient_3_0& client = getClient();
    switch (operation) {
    case CREATE_SESSION:
        sessionId = client.createSession();
        break;
    case CLOSE_SESSION:
        client.closeSession();
        break;
    case GET_ACTIVE_SUBSCRIPTIONS:
        subscriptions = client.getActiveSubscriptions();
        break;
    case GET_SUBSCRIPTION_PACKAGES:
        sessionId = client.createSession();
        packages = client.getSubscriptionPackages();
        break;
    case INITIATE_SUBSCRIPTION:
        transaction = client.initiateSubscription(slots, period);
        break;
    case CONFIRM_SUBSCRIPTION:
        confirmation = client.confirmSubscription(transactionId);
        slotStatus = confirmation.slotStatus;
        client.closeSession();
        break;
    case GET_SLOT_STATUS:
        slotStatus = client.getSlotStatus();
        break;
    case RESERVE_SLOTS:
        reserveAll();
        break;
    case RELEASE_SLOTS:
        releaseAll();
        break;
    case APPLY_CLIENT_OPERATIONS:
        applyAll();
        break;
    case UPLOAD_FILE:
        upload();
        break;
    case DOWNLOAD_FILE:
        download();
        break;
    case GET_FOLDER_LIST:
        loginIfNeeded();
        status(_("Downloading list of folders from server..."));
        folders = client.getFolderList();
        break;
    default:
        unknownOperation(_("No code to handle the given task in StorageClientTask"));
    }
    checkAbort();
}

void StorageClient_3_0_Task::status(const wxString& text)
{
    checkAbort();
    setProgress(text, 0, 0);
    notifyProgress();
}

void StorageClient_3_0_Task::loginIfNeeded()
{
    StorageClient_3_0& client = getClient();
    if (client.getAddress().user == StorageClient_3_0::SESSION_USER)
        return;
    status(_("Logging in to safe storage server..."));
    sessionId = client.createSession();
}

void StorageClient_3_0_Task::reserveAll()
{
    reservedCount = 0;
    const int count = static_cast<int>(reservations.size());
    for (const Reservation& picture : reservations) {
        status(wxString::Format(_("Reserving slots for file %d of %d"), reservedCount + 1, count));
        try {
            slotStatus = getClient().reserveSlots(picture.folder, picture.file);
        } catch (const Quorvel::AbortException&) {
            throw;
        } catch (const Quorvel::Exception& e) {
            if (isSlotRefusal(e.getCode()))
                throw;
            throw Quorvel::ServiceException(
                e.getCode(), wxString::Format(_("Could not get reserve slots for file: %s (%s)"),
                                              picture.file.fileName, e.getMessage()));
        }
        ++reservedCount;
    }
}

void StorageClient_3_0_Task::releaseAll()
{
    releasedCount = 0;
    const int count = static_cast<int>(releases.size());
    for (const StorageClient_3_0::FileId& id : releases) {
        status(wxString::Format(_("Releasing slots for file %d of %d"), releasedCount + 1, count));
        try {
            slotStatus = getClient().releaseSlots(id);
        } catch (const Quorvel::AbortException&) {
            throw;
        } catch (const Quorvel::Exception& e) {
            throw Quorvel::ServiceException(
                e.getCode(), wxString::Format(_("Could not release slots for file: %s (%s)"),
                                              id.clientRef, e.getMessage()));
        }
        ++releasedCount;
    }
}

void StorageClient_3_0_Task::applyAll()
{
    sentOperations = 0;
    while (sentOperations < operations.size()) {
        status(_("Updating information on server..."));
        const size_t end = std::min(operations.size(), sentOperations + OPERATION_BATCH);
        getClient().applyClientOperations(std::vector<StorageClient_3_0::ClientOperation>(
            operations.begin() + sentOperations, operations.begin() + end));
        sentOperations = end;
    }
}

void StorageClient_3_0_Task::upload()
{
    StorageClient_3_0& client = getClient();
    const wxString name = wxFileName(path).GetFullName();
    status(wxString::Format(_("Uploading file %s..."), name));
    const wxULongLong size = wxFileName::GetSize(path);
    if (size == wxInvalidSize)
        throw Quorvel::FileNotFoundException(wxString::Format(_("Could not read file %s"), path));
    StorageClient_3_0::checkFileSize(static_cast<int64_t>(size.GetValue()), name);
    const std::unique_ptr<Quorvel::HTTPClient> transfer = client.newTransferClient();
    Quorvel::HTTPClient& http = *transfer;
    http.setAbortCheck([this] { return isAborted(); });
    // Refusals (no session, another server) keep their own message: nothing was sent.
    client.uploadFile(http, path, file.uploadUrl);
    try {
        Quorvel::InputFile input(path);
        http.upload(input, this, StorageClient_3_0::MAX_FILE_BYTES - 1);
        http.finishUpload(_("Error uploading to safe storage"));
    } catch (const Quorvel::AbortException&) {
        throw;
    } catch (const Quorvel::Exception& e) {
        if (isAborted())
            throw Quorvel::AbortException(_("Task aborted on request"));
        throw Quorvel::IOException(e.getCode(), _("Error uploading to safe storage") + wxS(": ") +
                                                    e.getMessage());
    }
    StorageClient_3_0::FileInfo info = fileInfo;
    info.serverUuid = file.serverUuid;
    info.clientRef = file.clientRef;
    info.fileSize = static_cast<int64_t>(size.GetValue());
    if (info.fileName.empty())
        info.fileName = name;
    client.registerFile({file.serverUuid, file.clientRef, info.fileModifyTime, info.metaModifyTime},
                        info, true);
}

void StorageClient_3_0_Task::download()
{
    StorageClient_3_0& client = getClient();
    // Checked before anything is fetched: the name must stay inside the folder.
    const wxString name = StorageClient_3_0::localFileName(file);
    const wxString target = wxFileName(path, name).GetFullPath();
    status(wxString::Format(_("Downloading file %s..."), name));
    client.fetchFile(file, target, *this);
    downloadedPath = target;
}

void StorageClient_3_0_Task::onAbort()
{
    getClient().interrupt();
}

} // namespace Brenmarle
