#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <unistd.h>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "ProviderFixture.h"
#include "ScratchDir.h"
#include "TaskOutcome.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "folders/InboxFolder.h"
#include "folders/ManagedFolder.h"
#include "safestorage/SynchronizeTask.h"
#include "service/HTTPClient.h"
#include "service/StorageClient_3_0.h"
#include "service/StorageClient_3_0_Task.h"
#include "system/Environment.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"
#include "util/Uuid.h"

using Brenmarle::AlbumFolder;
using Brenmarle::Database;
using Brenmarle::File;
using Brenmarle::StorageClient_3_0;
using Brenmarle::SynchronizeTask;
using FileRef = Quorvel::Ref<File>;
using AlbumRef = Quorvel::Ref<AlbumFolder>;

namespace {

const char* const ACCOUNT_ID = "anna-account";

std::set<std::string> setOf(const std::vector<std::string>& items)
{
    return {items.begin(), items.end()};
}

} // namespace

// The provider on loopback and a photo library in a scratch home; a second library ("another
// home" of the same account) can take the first one's place.
class SynchronizeTaskTest : public ProviderFixture {
protected:
    SynchronizeTaskTest() { openHome("vistrelle-home1"); }
    ~SynchronizeTaskTest() override { closeHome(); }

    void openHome(const wxString& name)
    {
        Quorvel::Environment::init(name, home / "program");
        const wxString dataDir = Quorvel::Environment::getUserDataDir();
        wxFileName::Mkdir(dataDir, 0700, wxPATH_MKDIR_FULL);
        Database::getInstance().open(dataDir + "database.db");
        files = std::make_unique<Brenmarle::FileManager>();
        AlbumFolder::loadAlbums();
    }
    void closeHome()
    {
        if (!files)
            return;
        AlbumFolder::unloadAlbums();
        files.reset();
        Database::getInstance().close();
    }
    Database& database() { return Database::getInstance(); }

    // One synchronisation run to its end; "finished" or the failure's "code: message".
    std::string sync()
    {
        last = Quorvel::makeRef<SynchronizeTask>(
            *files, database(), portalAddress("demo", "anna@example.com", "secret"), settings,
            ACCOUNT_ID);
        const TaskOutcome outcome = TaskOutcome::runToEnd(last);
        progress = outcome.progressTexts;
        return outcome.type == Quorvel::EVT_TASK_FINISHED ? std::string("finished")
                                                          : outcome.failure().utf8_string();
    }

    // A picture of the album copied in from the user's disk.
    FileRef addPicture(const AlbumRef& album, const wxString& name, const std::string& bytes,
                       const wxString& caption = wxString())
    {
        home.writeFile("Pictures/" + name, bytes);
        FileRef source = files->getFile("file://" + home.path() + "Pictures/" + name);
        FileRef file = album->copyFileIn(*source);
        file->setFileName(name);
        file->setCaption(caption);
        database().storeFile(*file);
        return file;
    }
    AlbumRef makeAlbum(const wxString& name, const wxString& description = wxString())
    {
        auto album = Quorvel::makeRef<AlbumFolder>();
        album->setName(name);
        album->setDescription(description);
        album->setMetaModifyTime(1700000500);
        AlbumFolder::createAlbum(album);
        return album;
    }
    // What the safe-storage dialog does: slots reserved, the pictures marked stored.
    void storeSafely(const Quorvel::Ref<Brenmarle::Folder2>& folder,
                     const std::vector<FileRef>& pictures)
    {
        std::vector<Brenmarle::StorageClient_3_0_Task::Reservation> reservations;
        for (const FileRef& file : pictures) {
            Brenmarle::StorageClient_3_0_Task::Reservation picture;
            picture.folder.clientRef = StorageClient_3_0::folderReference(folder->getURI());
            picture.folder.folderName = folder->getName();
            picture.file.clientRef = StorageClient_3_0::fileReference(file->getURI());
            picture.file.fileName = file->getFileName();
            picture.file.fileSize = file->getFileSize();
            reservations.push_back(picture);
            file->setSafeStorageType(StorageClient_3_0::RENTED_STORAGE);
            file->setSafeStorageAccountId(ACCOUNT_ID);
            database().storeFile(*file);
        }
        const TaskOutcome outcome = TaskOutcome::runToEnd(
            Brenmarle::StorageClient_3_0_Task::reserveSlots(otherHome(), reservations));
        ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    }
    // The same account from elsewhere, with a session.
    Quorvel::Ref<StorageClient_3_0> otherHome()
    {
        auto client = Quorvel::makeRef<StorageClient_3_0>(settings);
        client->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        client->createSession();
        return client;
    }
    StorageClient_3_0::SyncFile serverFile(const Quorvel::Ref<StorageClient_3_0>& client,
                                           const wxString& folderUri, const wxString& fileUri)
    {
        for (const auto& file :
             client->getFileList({wxString(), StorageClient_3_0::folderReference(folderUri)}))
            if (file.clientRef == StorageClient_3_0::fileReference(fileUri))
                return file;
        ADD_FAILURE() << fileUri << " is not on the server";
        return {};
    }
    // Another home sends new bytes of the picture, made at `fileTime`.
    void editOnServer(const wxString& folderUri, const wxString& fileUri, const std::string& bytes,
                      std::time_t fileTime)
    {
        auto client = otherHome();
        dir.writeFile("edited.jpg", bytes);
        StorageClient_3_0::FileInfo info;
        info.fileModifyTime = fileTime;
        info.metaModifyTime = fileTime;
        info.caption = "edited elsewhere";
        const TaskOutcome outcome =
            TaskOutcome::runToEnd(Brenmarle::StorageClient_3_0_Task::uploadFile(
                client, serverFile(client, folderUri, fileUri), dir / "edited.jpg", info));
        ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    }
    std::string bytesOf(const FileRef& file) { return readFile(files->getLocalPath(*file)); }
    wxString md5Of(const FileRef& file)
    {
        return Quorvel::HTTPClient::md5OfFile(files->getLocalPath(*file));
    }
    std::vector<std::string> operations() const
    {
        std::vector<std::string> names;
        for (const JournalLine& line : journal())
            names.push_back(line.operation.empty() ? line.path : line.operation);
        return names;
    }

    // An album of two captioned pictures with keywords and the inbox with one, all stored.
    void makeSmallCatalogue()
    {
        summer = makeAlbum("Summer", "Bergen, July");
        harbour = addPicture(summer, "IMG_0001.JPG", std::string(30000, 'h') + "harbour",
                             wxString::FromUTF8("Bryggen i sol – ☀"));
        harbour->setKeywords({"harbour", wxString::FromUTF8("sommer ☀")});
        harbour->setTime(1588343400);
        harbour->setTimeMask(File::TIME_YEAR | File::TIME_MONTH | File::TIME_DAY);
        database().storeFile(*harbour);
        fish = addPicture(summer, "IMG_0002.JPG", std::string(20000, 'f') + "fish", "Fish market");
        inbox = files->getFolder(Brenmarle::InboxFolder::URI);
        auto* managedInbox = dynamic_cast<Brenmarle::ManagedFolder*>(inbox.get());
        home.writeFile("Pictures/new.jpg", std::string(10000, 'n') + "new");
        arrived =
            managedInbox->copyFileIn(*files->getFile("file://" + home.path() + "Pictures/new.jpg"));
        arrived->setFileName("new.jpg");
        database().storeFile(*arrived);
        storeSafely(summer, {harbour, fish});
        storeSafely(inbox, {arrived});
    }

    ScratchDir home{ScratchDir::AsHome};
    std::unique_ptr<Brenmarle::FileManager> files;
    Quorvel::Ref<SynchronizeTask> last;
    std::vector<wxString> progress;
    AlbumRef summer;
    Quorvel::Ref<Brenmarle::Folder2> inbox;
    FileRef harbour, fish, arrived;
};

TEST_F(SynchronizeTaskTest, ASecondHomeRestoresAlbumsPicturesCaptionsAndKeywords)
{
    makeSmallCatalogue();
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.uploaded, 3);
    EXPECT_EQ(progress.front(), "Synchronization started");
    EXPECT_NE(std::find(progress.begin(), progress.end(), "Finishing synchronization..."),
              progress.end());
    // The rows carry the safe-storage fields; the album its server time and account.
    for (const FileRef& file : {harbour, fish, arrived}) {
        const FileRef row = database().loadFile(file->getURI());
        EXPECT_EQ(row->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
        EXPECT_EQ(row->getSafeStorageAccountId(), ACCOUNT_ID);
        EXPECT_EQ(row->getSafeStorageRevision(),
                  std::max(row->getFileModifyTime(), row->getMetaModifyTime()));
    }
    EXPECT_NE(summer->getSafeStorageUpdateTime(), 0);
    // What arrived is what the pictures hold.
    std::set<std::string> sent;
    for (const JournalLine& line : journal())
        if (line.path.find("/upload/") != std::string::npos)
            sent.insert(line.md5);
    EXPECT_EQ(sent, (std::set<std::string>{md5Of(harbour).utf8_string(), md5Of(fish).utf8_string(),
                                           md5Of(arrived).utf8_string()}));

    const wxString summerUri = summer->getURI();
    const wxString harbourUri = harbour->getURI(), fishUri = fish->getURI();
    const wxString arrivedUri = arrived->getURI();
    const wxString harbourMd5 = md5Of(harbour), fishMd5 = md5Of(fish), arrivedMd5 = md5Of(arrived);
    const std::set<wxString> keywords = harbour->getKeywords();
    summer.reset();
    harbour.reset();
    fish.reset();
    arrived.reset();
    inbox.reset();
    closeHome();

    openHome("vistrelle-home2");
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.downloaded, 3);
    EXPECT_EQ(last->counts.albumsMade, 1);
    const AlbumRef restored = AlbumFolder::findAlbum(summerUri);
    EXPECT_EQ(restored->getName(), "Summer");
    EXPECT_EQ(restored->getDescription(), "Bergen, July");
    const FileRef first = files->getFile(harbourUri);
    EXPECT_EQ(md5Of(first), harbourMd5);
    EXPECT_EQ(first->getCaption(), wxString::FromUTF8("Bryggen i sol – ☀"));
    EXPECT_EQ(first->getKeywords(), keywords);
    EXPECT_EQ(first->getTime(), 1588343400);
    EXPECT_EQ(first->getTimeMask(), File::TIME_YEAR | File::TIME_MONTH | File::TIME_DAY);
    EXPECT_EQ(first->getFileName(), "IMG_0001.JPG");
    EXPECT_EQ(md5Of(files->getFile(fishUri)), fishMd5);
    EXPECT_EQ(files->getFile(fishUri)->getCaption(), "Fish market");
    EXPECT_EQ(md5Of(files->getFile(arrivedUri)), arrivedMd5);
    // Read back from the catalogue, not from the objects in memory.
    files->getFile(harbourUri);
    const FileRef row = database().loadFile(harbourUri);
    EXPECT_EQ(row->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
    EXPECT_EQ(row->getKeywords(), keywords);
    EXPECT_EQ(row->getFileModifyTime(), first->getFileModifyTime());

    // Back in step: the next runs send nothing.
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.uploaded + last->counts.downloaded + last->counts.infoUploaded +
                  last->counts.infoDownloaded,
              0);
}

// After the first run only listings go out: the album's list once more (its update time grew
// with the uploads), the inbox's every time (it keeps no update time), then for the album
// nothing but the folder list.
TEST_F(SynchronizeTaskTest, ANoChangeRunSendsOnlyTheListings)
{
    makeSmallCatalogue();
    ASSERT_EQ(sync(), "finished");
    const std::set<std::string> listings = {"createSession", "getFolderList", "getFileList",
                                            "closeSession"};
    size_t before = journal().size();
    ASSERT_EQ(sync(), "finished");
    std::vector<std::string> all = operations();
    const std::vector<std::string> second(all.begin() + static_cast<long>(before), all.end());
    const std::set<std::string> sent = setOf(second);
    EXPECT_TRUE(std::includes(listings.begin(), listings.end(), sent.begin(), sent.end()))
        << ::testing::PrintToString(second);
    before = journal().size();
    ASSERT_EQ(sync(), "finished");
    all = operations();
    const std::vector<std::string> third(all.begin() + static_cast<long>(before), all.end());
    EXPECT_EQ(third, (std::vector<std::string>{"createSession", "getFolderList", "getFileList",
                                               "closeSession"}));
    EXPECT_EQ(last->counts.uploaded + last->counts.infoUploaded + last->counts.unstored, 0);
}

TEST_F(SynchronizeTaskTest, JournalRowsGoInBatchesOfTenAndAreDeletedOnceSent)
{
    const wxString album = "album://0b6c3e38-6d43-4c52-9a6e-1d6f0f3c2a11/";
    for (int i = 0; i < 25; ++i)
        database().addSafeStorageOp(1, album + Quorvel::Uuid::create());
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(journalledArguments("applyClientOperations", "operations"),
              (std::vector<std::string>{"10", "10", "5"}));
    EXPECT_TRUE(database().getSafeStorageOps().empty());
    EXPECT_EQ(last->counts.journalled, 25);

    // A failed second batch: the first ten rows are gone, the other fifteen wait for the next
    // run, and the run fails.
    for (int i = 0; i < 25; ++i)
        database().addSafeStorageOp(0, "inbox://" + Quorvel::Uuid::create());
    startProvider("[faults]\nrule = storage/applyClientOperations | delay 0 | 1\n"
                  "rule = storage/applyClientOperations | fault Server.Busy Try later | 1\n");
    EXPECT_EQ(sync(), "SoapServer.Busy: Try later (via proxy)");
    EXPECT_EQ(database().getSafeStorageOps().size(), 15u);
}

// A picture moved out of the albums and the inbox has no folder on the server to go to: its
// row is sent as a deletion, and the batch with it is not refused.
TEST_F(SynchronizeTaskTest, AMoveOutOfTheAlbumsIsSentAsADeletion)
{
    makeSmallCatalogue();
    ASSERT_EQ(sync(), "finished");
    database().addSafeStorageOp(0, "file://" + home.path() + "Exported/" +
                                       fish->getURI().AfterLast('/'));
    database().addSafeStorageOp(0, "inbox://" + harbour->getURI().AfterLast('/'));
    ASSERT_EQ(sync(), "finished");
    EXPECT_TRUE(database().getSafeStorageOps().empty());
    EXPECT_EQ(journalledArguments("applyClientOperations", "applied"),
              std::vector<std::string>{"2"});
    auto client = otherHome();
    EXPECT_EQ(client->getFileList({wxString(), "ssinbox://"}).size(), 2u);
    EXPECT_TRUE(
        client->getFileList({wxString(), StorageClient_3_0::folderReference(summer->getURI())})
            .empty());
}

// The server's copy is cut short, or its bytes are not the ones it names: the picture stays
// as it was, no temporary file is left, and the run fails with the download's error.
TEST_F(SynchronizeTaskTest, ABrokenDownloadLeavesTheLocalPictureUnchanged)
{
    makeSmallCatalogue();
    ASSERT_EQ(sync(), "finished");
    const std::string local = bytesOf(fish);
    const int32_t fileTime = fish->getFileModifyTime();
    editOnServer(summer->getURI(), fish->getURI(), std::string(40000, 'e'), fileTime + 100);
    const wxString archive = wxFileName(files->getLocalPath(*fish)).GetPath();
    const size_t filesBefore = filesUnder(archive);
    for (const std::string action : {"truncate 1000", "wrong-md5"}) {
        startProvider("[faults]\nrule = GET /download/* | " + action + " | 1\n");
        const std::string failure = sync();
        EXPECT_EQ(failure.substr(0, 39), "System.IOError: Error downloading file:") << action;
        EXPECT_EQ(bytesOf(fish), local) << action;
        EXPECT_EQ(database().loadFile(fish->getURI())->getFileModifyTime(), fileTime);
        EXPECT_EQ(filesUnder(archive), filesBefore) << action;
    }
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(bytesOf(fish), std::string(40000, 'e'));
    EXPECT_EQ(fish->getFileModifyTime(), fileTime + 100);
    EXPECT_EQ(fish->getCaption(), "edited elsewhere");
}

// Edited here and not yet sent, and meanwhile edited in another home: the server's copy takes
// the picture's place, and the local edit stays as a new picture beside it.
TEST_F(SynchronizeTaskTest, ALocalEditAgainstANewerServerCopyKeepsBoth)
{
    makeSmallCatalogue();
    ASSERT_EQ(sync(), "finished");
    const int32_t fileTime = harbour->getFileModifyTime();
    writeFile(files->getLocalPath(*harbour), "edited here");
    harbour->setFileModifyTime(fileTime + 50);
    database().storeFile(*harbour);
    editOnServer(summer->getURI(), harbour->getURI(), "edited elsewhere", fileTime + 100);

    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.keptLocalCopies, 1);
    EXPECT_EQ(bytesOf(harbour), "edited elsewhere");
    const std::vector<wxString> uris = summer->getFileUris();
    ASSERT_EQ(uris.size(), 3u);
    FileRef copy;
    for (const wxString& uri : uris)
        if (uri != harbour->getURI() && uri != fish->getURI())
            copy = files->getFile(uri);
    ASSERT_TRUE(copy);
    EXPECT_EQ(bytesOf(copy), "edited here");
    EXPECT_EQ(copy->getFileName(), "IMG_0001 (local copy).JPG");
    EXPECT_EQ(copy->getSafeStorageType(), 0);
    EXPECT_EQ(copy->getCaption(), wxString::FromUTF8("Bryggen i sol – ☀"));
    EXPECT_EQ(harbour->getCaption(), "edited elsewhere");
    EXPECT_TRUE(Quorvel::Uuid::isValid(copy->getURI().AfterLast('/')));
}

TEST_F(SynchronizeTaskTest, APictureDeletedOnTheServerLosesItsStatusButStaysOnDisk)
{
    makeSmallCatalogue();
    ASSERT_EQ(sync(), "finished");
    const std::string bytes = bytesOf(fish);
    otherHome()->applyClientOperations(
        {{StorageClient_3_0::DELETE, 2000000000, StorageClient_3_0::fileReference(fish->getURI()),
          wxString()}});
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.unstored, 1);
    EXPECT_EQ(database().loadFile(fish->getURI())->getSafeStorageType(), 0);
    EXPECT_EQ(bytesOf(fish), bytes);
    EXPECT_EQ(database().loadFile(harbour->getURI())->getSafeStorageType(),
              StorageClient_3_0::RENTED_STORAGE);
}

// An album deleted here (its pictures' deletions journalled) leaves an empty folder on the
// server; it is not made again, at this run or the next.
TEST_F(SynchronizeTaskTest, ADeletedAlbumDoesNotComeBackEmpty)
{
    makeSmallCatalogue();
    ASSERT_EQ(sync(), "finished");
    const wxString uri = summer->getURI();
    for (const FileRef& file : {harbour, fish}) {
        database().addSafeStorageOp(1, file->getURI());
        summer->deleteFile(*file);
    }
    AlbumFolder::deleteAlbum(summer);
    for (int run = 0; run < 2; ++run) {
        ASSERT_EQ(sync(), "finished");
        EXPECT_EQ(last->counts.albumsMade, 0);
        EXPECT_THROW(AlbumFolder::findAlbum(uri), Quorvel::NotFoundException);
    }
    EXPECT_EQ(otherHome()->getFolderList().size(), 2u);
}

// A server album and picture named by another client with no UUIDs: locally they get UUID
// names, and the server learns the new references.
TEST_F(SynchronizeTaskTest, ServerNamesThatAreNoUuidsGetUuidsHere)
{
    auto client = otherHome();
    dir.writeFile("beach.jpg", std::string(5000, 'p'));
    Brenmarle::StorageClient_3_0_Task::Reservation picture;
    picture.folder.clientRef = "ssfolder://holiday";
    picture.folder.folderName = "../../Holiday";
    picture.file.clientRef = "ssfile://beach.jpg";
    picture.file.fileName = "beach.jpg";
    picture.file.fileSize = 5000;
    ASSERT_EQ(
        TaskOutcome::runToEnd(Brenmarle::StorageClient_3_0_Task::reserveSlots(client, {picture}))
            .type,
        Quorvel::EVT_TASK_FINISHED);
    StorageClient_3_0::SyncFile server;
    for (const auto& file : client->getFileList({wxString(), "ssfolder://holiday"}))
        server = file;
    ASSERT_EQ(TaskOutcome::runToEnd(Brenmarle::StorageClient_3_0_Task::uploadFile(
                                        client, server, dir / "beach.jpg", {}))
                  .type,
              Quorvel::EVT_TASK_FINISHED);

    ASSERT_EQ(sync(), "finished");
    const auto albums = AlbumFolder::getAlbums();
    ASSERT_EQ(albums.size(), 1u);
    const AlbumRef album = albums.begin()->second;
    EXPECT_EQ(album->getName(), "../../Holiday");
    const std::vector<wxString> uris = album->getFileUris();
    ASSERT_EQ(uris.size(), 1u);
    EXPECT_TRUE(Quorvel::Uuid::isValid(uris.front().AfterLast('/')));
    EXPECT_EQ(bytesOf(files->getFile(uris.front())), std::string(5000, 'p'));
    const auto folders = client->getFolderList();
    ASSERT_EQ(folders.size(), 1u);
    EXPECT_EQ(folders.front().clientRef, StorageClient_3_0::folderReference(album->getURI()));
    EXPECT_EQ(serverFile(client, album->getURI(), uris.front()).fileName, "beach.jpg");
    // In step now: nothing is made or fetched again.
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.albumsMade + last->counts.downloaded, 0);
}

// A picture of 2 GB or more is not sent (its size is all that is read); the others are, and
// the run ends with a message naming it.
TEST_F(SynchronizeTaskTest, PicturesOfTwoGigabytesOrMoreAreRefusedWithAClearMessage)
{
    makeSmallCatalogue();
    const wxString path = files->getLocalPath(*fish);
    ASSERT_EQ(::truncate(path.utf8_str(), StorageClient_3_0::MAX_FILE_BYTES), 0);
    const std::string failure = sync();
    EXPECT_EQ(failure, "System.FileTooLarge: IMG_0002.JPG is too large for safe storage: files "
                       "of 2 GB or more cannot be stored");
    EXPECT_EQ(last->counts.uploaded, 2);
    EXPECT_EQ(journalled("registerFile"), 2u);
    EXPECT_EQ(database().loadFile(fish->getURI())->getSafeStorageRevision(), 0);
}

namespace {

// Hears a task's events on the thread that posts them, as they are posted: a test can act at
// a given step of a run (and abort it there) without an event loop.
class PostedEvents : public wxEvtHandler {
public:
    std::function<void(const wxString& progress)> onProgress;
    std::atomic<wxEventType> ending{wxEVT_NULL};

    void QueueEvent(wxEvent* event) override
    {
        const std::unique_ptr<wxEvent> owned(event);
        if (event->GetEventType() == Quorvel::EVT_TASK_PROGRESS)
            onProgress(static_cast<Quorvel::TaskEvent*>(event)->getProgressText());
        else
            ending = event->GetEventType();
    }
};

} // namespace

class SynchronizeTaskUploadTest : public SynchronizeTaskTest {
protected:
    // An album of `count` pictures reserved in safe storage and never sent.
    void makeAlbumOf(int count)
    {
        summer = makeAlbum("Summer");
        std::vector<FileRef> pictures;
        for (int i = 0; i < count; ++i)
            pictures.push_back(addPicture(summer, wxString::Format("IMG_%04d.JPG", i),
                                          std::string(20000 + static_cast<size_t>(i), 'p')));
        storeSafely(summer, pictures);
    }
    // How many of the album's rows carry a safe-storage revision, read from the catalogue.
    int markedRows()
    {
        int marked = 0;
        for (const wxString& uri : summer->getFileUris())
            marked += database().loadFile(uri)->getSafeStorageRevision() != 0 ? 1 : 0;
        return marked;
    }
};

// The third registration is refused while later pictures upload: the run fails with the
// service's message, exactly the pictures whose registration the service took are marked (the
// two before it and any under way beside it), and the next run completes the album.
TEST_F(SynchronizeTaskUploadTest, AFailedRegistrationFailsTheRunAndLeavesTheLaterPicturesUnmarked)
{
    makeAlbumOf(7);
    startProvider("[faults]\nrule = storage/registerFile | delay 0 | 2\n"
                  "rule = storage/registerFile | fault Server.Busy Try later | 1\n");
    EXPECT_EQ(sync(), "SoapServer.Busy: Try later (via proxy)");
    const int taken = static_cast<int>(journalled("registerFile")) - 1;
    EXPECT_GE(taken, 2);
    EXPECT_LT(taken, 7);
    EXPECT_EQ(last->counts.uploaded, taken);
    EXPECT_EQ(markedRows(), taken);

    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(markedRows(), 7);
}

// From the third on, no upload gets an answer, while later pictures are read and queued: the
// run fails with the transfer's message, and the two pictures that arrived are registered and
// marked, whatever was under way beside the failure.
TEST_F(SynchronizeTaskUploadTest, AFailedUploadFailsTheRunAndThePicturesSentBeforeAreMarked)
{
    makeAlbumOf(7);
    startProvider("[faults]\nrule = /upload/* | delay 0 | 2\nrule = /upload/* | no-answer\n");
    const wxString failure = sync();
    EXPECT_TRUE(failure.Contains("Could not upload file to server")) << failure;
    EXPECT_EQ(journalled("registerFile"), 2u);
    EXPECT_EQ(last->counts.uploaded, 2);
    EXPECT_EQ(markedRows(), 2);
}

// Aborted while a registration hangs on the service: the run ends at once, aborted, and no
// picture is marked stored.
TEST_F(SynchronizeTaskUploadTest, AbortStopsUploadsAndAHangingRegistrationPromptly)
{
    makeAlbumOf(5);
    startProvider("[faults]\nrule = storage/registerFile | delay 600000\n");
    auto task = Quorvel::makeRef<SynchronizeTask>(
        *files, database(), portalAddress("demo", "anna@example.com", "secret"), settings,
        ACCOUNT_ID);
    PostedEvents events;
    const auto arrivedUploads = [&] {
        size_t arrived = 0;
        for (const JournalLine& line : journal())
            arrived += line.path.find("/upload/") != std::string::npos && line.status == 200;
        return arrived;
    };
    // Pictures are read ahead of the one on the wire, and each transfer's progress repeats the
    // text of the last one read: aborted once two have arrived, while later ones are under way.
    std::set<wxString> uploads;
    events.onProgress = [&](const wxString& text) {
        if (text.StartsWith("Uploading file "))
            uploads.insert(text);
        if (uploads.size() >= 3 && !task->isAborted() && arrivedUploads() >= 2)
            task->abort();
    };
    const auto start = std::chrono::steady_clock::now();
    {
        Quorvel::TaskRunnerThread runner;
        runner.addTask(task, &events);
        runner.waitUntilStopped();
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(events.ending.load(), Quorvel::EVT_TASK_ABORTED);
    // Uploads arrived; their registrations never came through.
    EXPECT_GE(arrivedUploads(), 2u);
    EXPECT_EQ(task->counts.uploaded, 0);
    EXPECT_EQ(markedRows(), 0);
}

// The rows marked during a run are all in the catalogue once it is reopened; a run whose
// marks were lost (the program killed before the catalogue committed them) finds the pictures
// in step on the server and marks them again without sending them twice.
TEST_F(SynchronizeTaskUploadTest, MarkedRowsSurviveReopeningAndLostMarksAreRepairedWithoutUploads)
{
    makeAlbumOf(12);
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.uploaded, 12);
    const wxString uri = summer->getURI();
    summer.reset();
    closeHome();
    openHome("vistrelle-home1");
    summer = AlbumFolder::findAlbum(uri);
    EXPECT_EQ(markedRows(), 12);

    for (const wxString& picture : summer->getFileUris()) {
        FileRef file = files->getFile(picture);
        file->setSafeStorageRevision(0);
        database().storeFile(*file);
    }
    const size_t uploadsBefore = journalled("registerFile");
    ASSERT_EQ(sync(), "finished");
    EXPECT_EQ(last->counts.uploaded, 0);
    EXPECT_EQ(journalled("registerFile"), uploadsBefore);
    EXPECT_EQ(markedRows(), 12);
}
