#include "safestorage/SafeStorageTask.h"

#include <cstdlib>
#include <string>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "files/File.h"
#include "imaging/PictureInfo.h"
#include "system/Exceptions.h"

namespace Brenmarle {

SafeStorageTask::SafeStorageTask(const Client& client, int step)
    : StorageClient_3_0_Task(client, step)
{
}

SafeStorageTask::StepRef SafeStorageTask::store(const Client& client,
                                                const std::vector<Reservation>& pictures)
{
    auto task = Quorvel::makeRef<SafeStorageTask>(client, STORE);
    task->reservations = pictures;
    return task;
}

SafeStorageTask::StepRef
SafeStorageTask::remove(const Client& client, const std::vector<StorageClient_3_0::FileId>& files)
{
    auto task = Quorvel::makeRef<SafeStorageTask>(client, REMOVE);
    task->releases = files;
    return task;
}

SafeStorageTask::StepRef SafeStorageTask::freeSlots(const Client& client)
{
    return Quorvel::makeRef<SafeStorageTask>(client, SLOT_STATUS);
}

SafeStorageTask::StepRef SafeStorageTask::accountStatus(const Client& client)
{
    return Quorvel::makeRef<SafeStorageTask>(client, STATUS);
}

SafeStorageTask::StepRef SafeStorageTask::replace(const Client& client, const wxString& uri,
                                                  const wxString& localPath)
{
    auto task = Quorvel::makeRef<SafeStorageTask>(client, REPLACE);
    task->uri = uri;
    task->path = localPath;
    return task;
}

void SafeStorageTask::logIn()
{
    if (getClient().getAddress().user == StorageClient_3_0::SESSION_USER)
        return;
    setProgress(_("Logging in to safe storage server..."), 0, 0);
    notifyProgress();
    StorageClient_3_0_Task::runOperation(CREATE_SESSION);
}

void SafeStorageTask::runOperation(int operation)
{
    if (operation < STORE) {
        StorageClient_3_0_Task::runOperation(operation);
        return;
    }
    logIn();
    switch (operation) {
    case STORE:
        StorageClient_3_0_Task::runOperation(RESERVE_SLOTS);
        break;
    case REMOVE:
        StorageClient_3_0_Task::runOperation(RELEASE_SLOTS);
        break;
    case SLOT_STATUS:
        StorageClient_3_0_Task::runOperation(GET_SLOT_STATUS);
        break;
    case STATUS:
        StorageClient_3_0_Task::runOperation(GET_SLOT_STATUS);
        StorageClient_3_0_Task::runOperation(GET_ACTIVE_SUBSCRIPTIONS);
        break;
    case REPLACE:
        replaceFile();
        break;
    default:
        unknownOperation(_("No code to handle the given safe storage step"));
    }
}

void SafeStorageTask::replaceFile()
{
    const wxString folderUri = uri.BeforeLast('/') + wxS("/");
    const wxString reference = StorageClient_3_0::fileReference(uri);
    const wxString folderReference = StorageClient_3_0::folderReference(folderUri);
    if (folderReference.empty())
        throw Quorvel::NotFoundException(_("The picture is not in safe storage"));
    bool found = false;
    for (const StorageClient_3_0::SyncFile& candidate :
         getClient().getFileList({wxString(), folderReference})) {
        if (candidate.clientRef == reference) {
            file = candidate;
            found = true;
            break;
        }
    }
    checkAbort();
    if (!found)
        throw Quorvel::NotFoundException(_("The picture is not in safe storage"));
    // The download keeps the server's name for the file; the program's own folders name
    // their files otherwise. So it goes into a folder of its own beside the picture, on the
    // same disk, and from there replaces the picture in one rename.
    const wxString target = path;
    const wxString folder = wxFileName(target).GetPath();
    std::string pattern = (folder + wxS("/.replace-XXXXXX")).utf8_string();
    if (!::mkdtemp(pattern.data()))
        throw Quorvel::IOException(
            wxString::Format(_("Could not make a temporary folder in %s"), folder));
    const wxString scratch = wxString::FromUTF8(pattern);
    struct Scratch {
        wxString path;
        ~Scratch() { wxFileName::Rmdir(path, wxPATH_RMDIR_RECURSIVE); }
    } cleanup{scratch};
    path = scratch;
    StorageClient_3_0_Task::runOperation(DOWNLOAD_FILE);
    path = target;
    // The copy is the server's version of the picture: it takes the server's file time, so
    // the next synchronisation sees nothing to send.
    if (file.fileModifyTime > 0) {
        const wxDateTime time(static_cast<time_t>(file.fileModifyTime));
        wxFileName(downloadedPath).SetTimes(&time, &time, nullptr);
    }
    checkAbort();
    if (!wxRenameFile(downloadedPath, target, true))
        throw Quorvel::IOException(
            wxString::Format(_("Could not replace %s with its copy from safe storage"), target));
    downloadedPath = target;
    // The catalogue keeps the picture's size, which the server's copy may not share; it is
    // read here, off the window's thread.
    const PictureInfo picture =
        PictureInfo::read(target, File::getContentTypeForFileName(file.fileName));
    if (picture.recognised) {
        replacedWidth = picture.width;
        replacedHeight = picture.height;
    }
}

} // namespace Brenmarle
