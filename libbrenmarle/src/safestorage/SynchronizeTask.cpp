#include "safestorage/SynchronizeTask.h"

#include <algorithm>

#include <wx/datetime.h>
#include <wx/filename.h>
#include <wx/intl.h>

#include "database/Database.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/InboxFolder.h"
#include "folders/ManagedFolder.h"
#include "safestorage/RegistrationQueue.h"
#include "safestorage/SafeStorageRecord.h"
#include "safestorage/UploadQueue.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/Uuid.h"

namespace Brenmarle {

namespace {

using Storage = StorageClient_3_0;

const wxString ALBUM_SCHEME = wxS("album://");

wxString dateOf(std::time_t seconds)
{
    return wxDateTime(static_cast<time_t>(seconds)).Format(wxS("%a,  %d  %b %Y %H:%M:%S %z"));
}

void logTimes(const char* what, std::time_t local, std::time_t server)
{
    QDEBUG("%s", what);
    QDEBUG("  - LOCAL %s: %lld (%s)", "TIME", static_cast<long long>(local), dateOf(local));
    QDEBUG("  - SERVER %s: %lld (%s)", "TIME", static_cast<long long>(server), dateOf(server));
}

// The text after `prefix` when `reference` starts with it and that text is a UUID: only such a
// name becomes a local album or picture name.
wxString uuidAfter(const wxString& reference, const char* prefix)
{
    const wxString start = wxString::FromUTF8(prefix);
    if (!reference.StartsWith(start))
        return wxString();
    const wxString rest = reference.Mid(start.length());
    return Quorvel::Uuid::isValid(rest) ? rest : wxString();
}

// The newest of a picture's own times: what it was when last in step with the server.
int32_t revisionOf(const File& file)
{
    return std::max(file.getFileModifyTime(), file.getMetaModifyTime());
}

bool hasChangesToSend(const File& file)
{
    const int32_t revision = file.getSafeStorageRevision();
    return file.getFileModifyTime() > revision || file.getMetaModifyTime() > revision;
}

wxString localCopyName(const wxString& name)
{
    const wxString suffix = wxString::FromUTF8(SynchronizeTask::LOCAL_COPY_SUFFIX);
    if (name.empty())
        return _("picture") + suffix;
    const int dot = name.Find('.', true);
    if (dot <= 0)
        return name + suffix;
    return name.Left(static_cast<size_t>(dot)) + suffix + name.Mid(static_cast<size_t>(dot));
}

} // namespace

SynchronizeTask::SynchronizeTask(FileManager& files, Database& database,
                                 const Quorvel::ServiceAddress& address,
                                 Quorvel::NetworkSettings& settings, const wxString& accountId)
    : m_files(files), m_database(database), m_client(Quorvel::makeRef<Storage>(settings)),
      m_accountId(accountId)
{
    m_client->setAddress(address);
    for (size_t i = 0; i < REGISTRATION_CONNECTIONS; ++i) {
        m_registrationClients.push_back(Quorvel::makeRef<Storage>(settings));
        m_registrationClients.back()->setAddress(address);
    }
    for (size_t i = 1; i < UPLOAD_CONNECTIONS; ++i) {
        m_uploadClients.push_back(Quorvel::makeRef<Storage>(settings));
        m_uploadClients.back()->setAddress(address);
    }
}

SynchronizeTask::~SynchronizeTask() = default;

void SynchronizeTask::onAbort()
{
    m_client->interrupt();
    std::lock_guard<std::mutex> lock(m_queueLock);
    if (m_uploads)
        m_uploads->interrupt();
    if (m_registrations)
        m_registrations->interrupt();
}

void SynchronizeTask::status(const wxString& text)
{
    checkAbort();
    setProgress(text, 0, 0);
    notifyProgress();
}

void SynchronizeTask::run()
{
    std::vector<Storage*> calling{m_client.get()};
    for (const Quorvel::Ref<Storage>& client : m_registrationClients)
        calling.push_back(client.get());
    struct AbortCheck {
        const std::vector<Storage*>& clients;
        ~AbortCheck()
        {
            for (Storage* client : clients)
                client->setAbortCheck({});
        }
    } check{calling};
    for (Storage* client : calling)
        client->setAbortCheck([this] { return isAborted(); });
    // Ended before the abort checks are taken away: its worker asks them.
    struct Registrations {
        SynchronizeTask& task;
        ~Registrations() { task.stopRegistrations(); }
    } registrations{*this};

    status(_("Synchronization started"));
    replayJournal();
    login();
    matchFolders();
    for (FolderPair& pair : m_folders)
        if (pair.contents)
            synchronizeContents(pair);
    for (FolderPair& pair : m_folders)
        if (pair.meta)
            synchronizeMeta(pair);
    unstoreOutside();
    try {
        m_client->closeSession();
    } catch (const Quorvel::AbortException&) {
        throw;
    } catch (const Quorvel::Exception& e) {
        // The pass is done; the session simply expires on the server.
        QDEBUG("[SYNCHRONIZETASK] Could not close the session: %s", e.getMessage());
    }
    if (!m_tooLarge.empty())
        Storage::checkFileSize(Storage::MAX_FILE_BYTES, m_tooLarge.front());
}

void SynchronizeTask::login()
{
    if (m_loggedIn)
        return;
    status(_("Logging in to safe storage server..."));
    const wxString session = m_client->createSession();
    for (const Quorvel::Ref<Storage>& client : m_registrationClients)
        client->useSession(session);
    for (const Quorvel::Ref<Storage>& client : m_uploadClients)
        client->useSession(session);
    m_loggedIn = true;
}

void SynchronizeTask::replayJournal()
{
    const std::vector<Database::SafeStorageOp> rows = m_database.getSafeStorageOps();
    if (rows.empty())
        return;
    login();
    for (size_t start = 0; start < rows.size(); start += OPERATION_BATCH) {
        status(_("Updating information on server..."));
        const size_t end = std::min(rows.size(), start + OPERATION_BATCH);
        std::vector<Storage::ClientOperation> batch;
        for (size_t i = start; i < end; ++i)
            batch.push_back(operationOf(rows[i].type, rows[i].time, rows[i].uri));
        m_client->applyClientOperations(batch);
        // Sent: a crash before the catalogue commits sends them again, which the service
        // takes as no change.
        for (size_t i = start; i < end; ++i)
            m_database.deleteSafeStorageOp(rows[i].rowid);
        counts.journalled += static_cast<int>(end - start);
    }
}

Storage::ClientOperation SynchronizeTask::operationOf(int32_t type, int32_t time,
                                                      const wxString& uri) const
{
    Storage::ClientOperation operation;
    operation.type = type == Storage::DELETE ? Storage::DELETE : Storage::MOVE;
    operation.time = time;
    operation.fileClientRef = Storage::fileReference(uri);
    operation.folderClientRef = Storage::folderReference(uri.BeforeLast('/') + wxS("/"));
    // Moved out of the albums and the inbox: safe storage keeps nothing of it there, and a move
    // without a folder would make the service refuse the whole batch, again at every run.
    if (operation.folderClientRef.empty())
        operation.type = Storage::DELETE;
    return operation;
}

void SynchronizeTask::matchFolders()
{
    status(_("Downloading list of folders from server..."));
    for (const Storage::SyncFolder& server : m_client->getFolderList()) {
        checkAbort();
        QDEBUG("[SYNCHRONIZETASK] Synchronizing %s", server.folderName);
        FolderPair pair;
        pair.server = server;
        if (findLocalFolder(pair)) {
            QDEBUG("[SYNCHRONIZETASK] - Found local folder!");
        } else if (!makeLocalAlbum(pair)) {
            continue;
        }
        auto* album = dynamic_cast<AlbumFolder*>(pair.local.get());
        if (hasLocalChanges(*pair.local)) {
            QDEBUG("[SYNCHRONIZETASK] Local folder changes!");
            pair.contents = true;
        }
        // The inbox keeps no update time of its own: its list is always read.
        const std::time_t localUpdate = album ? album->getSafeStorageUpdateTime() : 0;
        if (!album || localUpdate != server.updateTime ||
            album->getSafeStorageAccountId() != m_accountId) {
            logTimes("[SYNCHRONIZETASK] Folder update times differ", localUpdate,
                     server.updateTime);
            pair.contents = true;
        }
        if (album && album->getMetaModifyTime() != server.metaModifyTime) {
            logTimes("[SYNCHRONIZETASK] Folder meta times differ", album->getMetaModifyTime(),
                     server.metaModifyTime);
            pair.meta = true;
        }
        m_folders.push_back(std::move(pair));
    }
}

bool SynchronizeTask::findLocalFolder(FolderPair& pair)
{
    if (pair.server.clientRef == wxString::FromUTF8(Storage::INBOX_REFERENCE)) {
        FolderRef inbox = m_files.getFolder(wxString::FromUTF8(InboxFolder::URI));
        pair.local = Quorvel::Ref<ManagedFolder>(dynamic_cast<ManagedFolder*>(inbox.get()));
        return static_cast<bool>(pair.local);
    }
    const wxString uuid = uuidAfter(pair.server.clientRef, Storage::FOLDER_PREFIX);
    if (uuid.empty())
        return false;
    try {
        pair.local = AlbumFolder::findAlbum(ALBUM_SCHEME + uuid + wxS("/"));
        return true;
    } catch (const Quorvel::NotFoundException&) {
        return false;
    }
}

bool SynchronizeTask::makeLocalAlbum(FolderPair& pair)
{
    const Storage::FolderId id{pair.server.serverUuid, pair.server.clientRef};
    pair.listed = m_client->getFileList(id);
    pair.hasList = true;
    if (pair.listed.empty()) {
        // An album deleted here leaves its server folder empty: it is not made again.
        QDEBUG("[SYNCHRONIZETASK] - Empty server folder with no local folder, left alone");
        return false;
    }
    QDEBUG("[SYNCHRONIZETASK] - Create new local folder");
    const wxString uuid = uuidAfter(pair.server.clientRef, Storage::FOLDER_PREFIX);
    Quorvel::Ref<AlbumFolder> album =
        uuid.empty() ? Quorvel::makeRef<AlbumFolder>()
                     : Quorvel::makeRef<AlbumFolder>(ALBUM_SCHEME + uuid + wxS("/"));
    album->setName(pair.server.folderName);
    album->setSafeStorageAccountId(m_accountId);
    if (uuid.empty()) {
        // Named by the server with no UUID of ours: the album gets one, the server its name.
        const wxString reference = Storage::folderReference(album->getURI());
        m_client->setFolderClientRef(id, reference);
        pair.server.clientRef = reference;
    }
    AlbumFolder::createAlbum(album);
    pair.local = album;
    ++counts.albumsMade;
    return true;
}

bool SynchronizeTask::hasLocalChanges(ManagedFolder& folder)
{
    for (const Quorvel::Ref<File>& file : folder.loadFileList())
        if (file->getSafeStorageType() != Storage::NO_SAFE_STORAGE && hasChangesToSend(*file))
            return true;
    return false;
}

void SynchronizeTask::synchronizeContents(FolderPair& pair)
{
    ManagedFolder& folder = *pair.local;
    QDEBUG("[SYNCHRONIZETASK] Synchronize contents of %s", folder.getURI());
    if (!pair.hasList)
        pair.listed = m_client->getFileList({pair.server.serverUuid, pair.server.clientRef});
    std::set<wxString> notFound;
    for (const wxString& uri : folder.getFileUris())
        notFound.insert(uri);
    for (const Storage::SyncFile& server : pair.listed) {
        checkAbort();
        synchronizeFile(pair, server, notFound);
    }
    // The album's update time below must not run ahead of its pictures' registrations.
    markRegistered(true);
    QDEBUG("[SYNCHRONIZETASK] Removing safe storage status from files in unsafefiles vector");
    for (const wxString& uri : notFound) {
        Quorvel::Ref<File> file = m_files.getFile(uri);
        if (file->getSafeStorageType() != Storage::NO_SAFE_STORAGE)
            unstore(*file);
    }
    // The update time read before the list: a change made on the server while the list was
    // read makes the next pass read it again instead of being missed.
    if (auto* album = dynamic_cast<AlbumFolder*>(&folder)) {
        album->setSafeStorageUpdateTime(static_cast<int32_t>(pair.server.updateTime));
        album->setSafeStorageAccountId(m_accountId);
        album->update();
    }
}

Quorvel::Ref<File> SynchronizeTask::localPicture(FolderPair& pair, const Storage::SyncFile& server,
                                                 bool& isNew)
{
    ManagedFolder& folder = *pair.local;
    isNew = false;
    wxString uuid = uuidAfter(server.clientRef, Storage::FILE_PREFIX);
    if (!uuid.empty()) {
        const wxString uri = folder.getURI() + uuid;
        if (m_database.hasFile(uri))
            return m_files.getFile(uri);
        try {
            const wxString elsewhere = m_database.findFileUri(uuid);
            Quorvel::Ref<File> file = m_files.getFile(elsewhere);
            QDEBUG("### [SYNCHRONIZETASK] ######################### Move %s to %s", elsewhere, uri);
            folder.moveFileIn(*file);
            if (file->getURI() == uri) {
                QDEBUG("[SYNCHRONIZETASK] Move OK");
                return file;
            }
        } catch (const Quorvel::NotFoundException&) {
        }
    } else {
        // Stored under a name that is no UUID of ours: it gets one here, the server its name.
        uuid = Quorvel::Uuid::create();
    }
    isNew = true;
    return Quorvel::makeRef<File>(folder.getURI() + uuid);
}

void SynchronizeTask::synchronizeFile(FolderPair& pair, const Storage::SyncFile& server,
                                      std::set<wxString>& notFound)
{
    ManagedFolder& folder = *pair.local;
    bool isNew = false;
    Quorvel::Ref<File> file = localPicture(pair, server, isNew);
    notFound.erase(file->getURI());
    const wxString name = server.fileName;
    int32_t mask = 0;
    if (isNew) {
        if (server.downloadUrl.empty()) {
            QDEBUG("[SYNCHRONIZETASK] %s has no bytes on the server yet", name);
            return;
        }
        download(folder, *file, server);
        status(wxString::Format(_("Downloading file info for %s..."), name));
        SafeStorageRecord::apply(
            m_client->getFileInfo({server.serverUuid, server.clientRef, server.fileModifyTime,
                                   server.metaModifyTime}),
            *file);
        ++counts.infoDownloaded;
        const wxString reference = Storage::fileReference(file->getURI());
        if (reference != server.clientRef)
            m_client->setFileClientRef({server.serverUuid, server.clientRef, 0, 0}, reference);
        folder.onFileAdded(*file, wxString(), false);
        mask = FileEvent::CHANGED_PICTURE;
    } else {
        const std::time_t local = file->getFileModifyTime();
        if (local == server.fileModifyTime) {
            QDEBUG("We do not need to sync entire file becayse:");
        } else {
            logTimes("WE MUST SYNC ENTIRE FILE BECAUSE:", local, server.fileModifyTime);
            if (server.fileModifyTime < local) {
                // Sent with its metadata; its row is marked once the registration is taken.
                upload(file, server);
                return;
            } else {
                if (local > file->getSafeStorageRevision())
                    keepLocalCopy(folder, *file);
                download(folder, *file, server);
                mask |= FileEvent::CHANGED_PICTURE;
            }
        }
        const std::time_t localMeta = file->getMetaModifyTime();
        if (localMeta != server.metaModifyTime) {
            logTimes("WE MUST SYNC FILE META BECAUSE:", localMeta, server.metaModifyTime);
            const Storage::FileId id{server.serverUuid, server.clientRef, file->getFileModifyTime(),
                                     localMeta};
            if (localMeta > server.metaModifyTime) {
                if (file->getFileModifyTime() == 0) {
                    QDEBUG("  - BUT LOCAL FILEMTIME IS 0, SO WE DONT");
                } else {
                    status(wxString::Format(_("Uploading file information for %s..."), name));
                    Storage::FileInfo info = SafeStorageRecord::infoOf(*file);
                    info.serverUuid = server.serverUuid;
                    info.clientRef = server.clientRef;
                    m_client->registerFile(id, info, false);
                    ++counts.infoUploaded;
                }
            } else {
                status(wxString::Format(_("Downloading file info for %s..."), name));
                SafeStorageRecord::apply(m_client->getFileInfo(id), *file);
                ++counts.infoDownloaded;
                mask |= FileEvent::CHANGED_KEYWORDS;
            }
        }
    }
    file->setSafeStorageAccountId(m_accountId);
    file->setSafeStorageType(server.storageType);
    file->setSafeStorageRevision(revisionOf(*file));
    // Pictures already in step are neither written nor announced: a pass over a large album
    // that finds nothing changed stays a read.
    if (isNew || mask != 0 || file->isModified()) {
        m_database.storeFile(*file);
        m_files.fileChanged(*file, mask);
    }
}

void SynchronizeTask::upload(const Quorvel::Ref<File>& picture, const Storage::SyncFile& server)
{
    File& file = *picture;
    const wxString path = m_files.getLocalPath(file);
    const wxString name = file.getFileName().empty() ? server.fileName : file.getFileName();
    const wxULongLong size = wxFileName::GetSize(path);
    if (size == wxInvalidSize)
        throw Quorvel::FileNotFoundException(wxString::Format(_("Could not read file %s"), path));
    if (static_cast<int64_t>(size.GetValue()) >= Storage::MAX_FILE_BYTES) {
        QDEBUG("[SYNCHRONIZETASK] %s is too large for safe storage", name);
        m_tooLarge.push_back(name);
        return;
    }
    status(wxString::Format(_("Uploading file %s..."), name));
    if (!m_uploads) {
        auto registrations =
            std::make_unique<RegistrationQueue>(m_registrationClients, REGISTRATIONS_WAITING);
        std::vector<Storage*> senders{m_client.get()};
        for (const Quorvel::Ref<Storage>& client : m_uploadClients)
            senders.push_back(client.get());
        auto uploads =
            std::make_unique<UploadQueue>(senders, *this, *registrations, UPLOADS_WAITING);
        std::lock_guard<std::mutex> lock(m_queueLock);
        m_registrations = std::move(registrations);
        m_uploads = std::move(uploads);
        if (isAborted()) {
            m_uploads->interrupt();
            m_registrations->interrupt();
        }
    }
    // Read and digested here while the picture before is sent.
    PreparedUpload prepared(path, m_uploads->takeMemory());
    Storage::FileInfo info = SafeStorageRecord::infoOf(file);
    info.serverUuid = server.serverUuid;
    info.clientRef = server.clientRef;
    info.fileSize = prepared.getSize();
    if (info.fileName.empty())
        info.fileName = name;
    RegistrationQueue::Registration registration;
    registration.file = picture;
    registration.id = {server.serverUuid, server.clientRef, info.fileModifyTime,
                       info.metaModifyTime};
    registration.info = std::move(info);
    registration.storageType = server.storageType;
    m_uploads->push({std::move(prepared), server.uploadUrl, std::move(registration)});
    markRegistered(false);
}

void SynchronizeTask::markRegistered(bool waitForAll)
{
    if (!m_registrations)
        return;
    // After a failed upload the pictures sent before it are still registered and marked, and
    // after a failed registration those the service took beside it; a failure that comes
    // after this look is met at the next call.
    const bool uploadFailed = m_uploads->hasFailed();
    const bool wait = waitForAll || uploadFailed || m_registrations->hasFailed();
    if (waitForAll || uploadFailed)
        m_uploads->drain();
    for (const RegistrationQueue::Registration& registered : m_registrations->collect(wait)) {
        File& file = *registered.file;
        file.setSafeStorageAccountId(m_accountId);
        file.setSafeStorageType(registered.storageType);
        // The times that were sent: an edit made since stays newer and goes at the next pass.
        file.setSafeStorageRevision(static_cast<int32_t>(
            std::max(registered.info.fileModifyTime, registered.info.metaModifyTime)));
        m_database.storeFile(file);
        m_files.fileChanged(file, 0);
        ++counts.uploaded;
    }
    if (wait) {
        m_uploads->checkFailure();
        m_registrations->checkFailure();
    }
}

void SynchronizeTask::stopRegistrations()
{
    std::unique_ptr<UploadQueue> uploads;
    std::unique_ptr<RegistrationQueue> registrations;
    {
        std::lock_guard<std::mutex> lock(m_queueLock);
        uploads = std::move(m_uploads);
        registrations = std::move(m_registrations);
    }
    // Each interrupts what is still under way (the run failed or was aborted) and joins.
    uploads.reset();
    registrations.reset();
}

void SynchronizeTask::download(ManagedFolder& folder, File& file, const Storage::SyncFile& server)
{
    status(wxString::Format(_("Downloading file %s..."), server.fileName));
    const wxString target = folder.getLocalPath(file);
    // A restored picture may be the first of its store folder (a failure shows at the file).
    wxFileName::Mkdir(wxFileName(target).GetPath(), wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    m_client->fetchFile(server, target, *this);
    file.setFileModifyTime(static_cast<int32_t>(server.fileModifyTime));
    file.setFileSize(server.fileSize);
    ++counts.downloaded;
    status(wxString::Format(_("Creating thumbnail for %s..."), server.fileName));
    try {
        folder.createThumbnail(file);
    } catch (const Quorvel::Exception& e) {
        // The picture is whole; its thumbnail is made again when it is shown.
        QDEBUG("[SYNCHRONIZETASK] Thumbnail failed: %s", e.getMessage());
    }
}

void SynchronizeTask::keepLocalCopy(ManagedFolder& folder, File& file)
{
    Quorvel::Ref<File> copy = folder.copyFileIn(file);
    copy->setFileName(localCopyName(file.getFileName()));
    m_database.storeFile(*copy);
    m_files.fileChanged(*copy, 0);
    QDEBUG("[SYNCHRONIZETASK] Kept the local %s as %s beside the newer server copy", file.getURI(),
           copy->getURI());
    ++counts.keptLocalCopies;
}

void SynchronizeTask::synchronizeMeta(FolderPair& pair)
{
    auto* album = dynamic_cast<AlbumFolder*>(pair.local.get());
    if (!album)
        return;
    QDEBUG("[SYNCHRONIZETASK] Synchronize meta for %s", album->getURI());
    const Storage::FolderId id{pair.server.serverUuid, pair.server.clientRef};
    if (pair.server.metaModifyTime > album->getMetaModifyTime()) {
        status(_("Downloading folder information..."));
        const Storage::FolderInfo info = m_client->getFolderInfo(id);
        album->setName(info.folderName);
        album->setDescription(info.description);
        album->setMetaModifyTime(static_cast<int32_t>(info.metaModifyTime));
        album->update();
        m_files.folderChanged(*album, 0);
    } else {
        status(_("Uploading folder information..."));
        Storage::FolderInfo info;
        info.folderName = album->getName();
        info.description = album->getDescription();
        info.creationTime = album->getCreationTime();
        info.updateTime = album->getModifyTime();
        info.metaModifyTime = album->getMetaModifyTime();
        m_client->setFolderInfo(id, info);
    }
}

void SynchronizeTask::unstore(File& file)
{
    file.setSafeStorageType(Storage::NO_SAFE_STORAGE);
    m_database.storeFile(file);
    m_files.fileChanged(file, 0);
    ++counts.unstored;
}

void SynchronizeTask::unstoreOutside()
{
    status(_("Finishing synchronization..."));
    QDEBUG("[SYNCHRONIZETASK] Removing safe storage status from files not in safe storage "
           "folders");
    std::set<wxString> stored;
    for (const FolderPair& pair : m_folders)
        stored.insert(pair.local->getURI());
    for (const wxString& uri :
         m_database.getTexts(wxS("SELECT uri FROM file WHERE safestoragetype <> 0"))) {
        if (stored.count(uri.BeforeLast('/') + wxS("/")))
            continue;
        Quorvel::Ref<File> file = m_files.getFile(uri);
        unstore(*file);
    }
}

} // namespace Brenmarle
