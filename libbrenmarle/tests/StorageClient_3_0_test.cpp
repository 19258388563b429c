#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

#include <unistd.h>

#include <wx/filename.h>

#include "LoopbackHttpServer.h"
#include "ProviderFixture.h"
#include "ProviderStore.h"
#include "ScratchDir.h"
#include "SoapReplies.h"
#include "TaskOutcome.h"
#include "service/HTTPClient.h"
#include "service/NetworkSettings.h"
#include "service/StorageClient_3_0.h"
#include "service/StorageClient_3_0_Task.h"
#include "system/Exceptions.h"
#include "threads/TaskEvent.h"

using Brenmarle::StorageClient_3_0;
using SoapReplies::failureOf;
using Task = Brenmarle::StorageClient_3_0_Task;
using Client = Quorvel::Ref<StorageClient_3_0>;

namespace {

const char* const ALBUM = "album://0b6c3e38-6d43-4c52-9a6e-1d6f0f3c2a11/";
const char* const OTHER_ALBUM = "album://5f0e7a1c-2b8d-4e3f-8c1a-7d9b2e4f6a01/";
const char* const PICTURE_A = "1c0e8f5a-3d2b-4a6c-9e8f-0a1b2c3d4e5f.jpg";
const char* const PICTURE_B = "2d1f9a6b-4e3c-4b7d-8f9a-1b2c3d4e5f60.jpg";
const char* const PICTURE_C = "3e2a0b7c-5f4d-4c8e-9a0b-2c3d4e5f6071.jpg";

// 2020-05-01 14:30:00 as the camera showed it, held as if it were UTC.
const std::time_t PICTURE_TIME = 1588343400;

std::string wholeTask(const Quorvel::Ref<Task>& task)
{
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    return outcome.type == Quorvel::EVT_TASK_FINISHED ? std::string("finished")
                                                      : outcome.failure().utf8_string();
}

std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

} // namespace

class StorageClientTest : public ProviderFixture {
protected:
    StorageClientTest()
    {
        dir.writeFile(wxString("pics/") + PICTURE_A, std::string(150000, 'a') + "end of a");
        dir.writeFile(wxString("pics/") + PICTURE_B, std::string(70000, 'b') + "end of b");
        dir.writeFile(wxString("pics/") + PICTURE_C, std::string(20000, 'c') + "end of c");
        wxMkdir(dir / "restore");
    }

    Client client(const wxString& password = "secret")
    {
        auto storage = Quorvel::makeRef<StorageClient_3_0>(settings);
        storage->setAddress(portalAddress("demo", "anna@example.com", password));
        return storage;
    }
    Client session()
    {
        auto storage = client();
        storage->createSession();
        return storage;
    }
    wxString path(const char* name) const { return dir / "pics/" + name; }
    Task::Reservation reservation(const char* folderUri, const wxString& folderName,
                                  const char* name) const
    {
        Task::Reservation picture;
        picture.folder.clientRef = StorageClient_3_0::folderReference(folderUri);
        picture.folder.folderName = folderName;
        picture.file.clientRef = StorageClient_3_0::fileReference(wxString(folderUri) + name);
        picture.file.fileName = name;
        picture.file.fileSize = static_cast<int64_t>(wxFileName::GetSize(path(name)).GetValue());
        return picture;
    }
    StorageClient_3_0::FolderId folderOf(const char* uri) const
    {
        return {wxString(), StorageClient_3_0::folderReference(uri)};
    }
    // The server's record of `name` in the folder `uri`.
    StorageClient_3_0::SyncFile serverFile(const Client& storage, const char* uri, const char* name)
    {
        for (const auto& file : storage->getFileList(folderOf(uri)))
            if (file.clientRef == StorageClient_3_0::fileReference(name))
                return file;
        ADD_FAILURE() << name << " is not on the server";
        return {};
    }
    // Reserves and uploads the pictures into the album `uri`.
    void store(const Client& storage, const char* uri, std::initializer_list<const char*> names)
    {
        std::vector<Task::Reservation> pictures;
        for (const char* name : names)
            pictures.push_back(reservation(uri, "Summer", name));
        ASSERT_EQ(wholeTask(Task::reserveSlots(storage, pictures)), "finished");
        for (const char* name : names) {
            StorageClient_3_0::FileInfo info;
            info.fileModifyTime = 1700000000;
            info.metaModifyTime = 1700000100;
            info.caption = wxString::FromUTF8("Bryggen i sol – ") + name;
            info.keywords = {"harbour", wxString::FromUTF8("sommer ☀")};
            info.time = PICTURE_TIME;
            info.timeMask.year = info.timeMask.month = info.timeMask.day = true;
            ASSERT_EQ(wholeTask(Task::uploadFile(storage, serverFile(storage, uri, name),
                                                 path(name), info)),
                      "finished");
        }
    }
    std::vector<std::string> applied() const
    {
        return journalledArguments("applyClientOperations", "applied");
    }
    StorageClient_3_0::ClientOperation move(const char* name, const char* toUri,
                                            std::time_t time) const
    {
        return {StorageClient_3_0::MOVE, time, StorageClient_3_0::fileReference(name),
                StorageClient_3_0::folderReference(toUri)};
    }
    StorageClient_3_0::ClientOperation remove(const char* name, std::time_t time) const
    {
        return {StorageClient_3_0::DELETE, time, StorageClient_3_0::fileReference(name),
                wxString()};
    }
};

TEST(StorageClient, ReferencesOfPicturesAlbumsAndTheInbox)
{
    EXPECT_EQ(StorageClient_3_0::fileReference(wxString(ALBUM) + PICTURE_A),
              wxString("ssfile://") + PICTURE_A);
    EXPECT_EQ(StorageClient_3_0::folderReference(ALBUM),
              "ssfolder://0b6c3e38-6d43-4c52-9a6e-1d6f0f3c2a11");
    EXPECT_EQ(StorageClient_3_0::folderReference("inbox://"), "ssinbox://");
    // Folders of the disk are not stored.
    EXPECT_EQ(StorageClient_3_0::folderReference("file:///home/anna/Pictures/"), "");
    EXPECT_EQ(StorageClient_3_0::folderReference("album:///"), "");
}

TEST(StorageClient, OnlyPlainNamesFromTheServerBecomeLocalNames)
{
    StorageClient_3_0::SyncFile file;
    file.clientRef = "ssfile://a.jpg";
    file.fileName = "../../ignored.jpg";
    EXPECT_EQ(StorageClient_3_0::localFileName(file), "a.jpg");
    file.clientRef = "";
    file.fileName = "b.jpg";
    EXPECT_EQ(StorageClient_3_0::localFileName(file), "b.jpg");
    for (const wxString bad :
         {"ssfile://..", "ssfile://../x.jpg", "ssfile:///etc/passwd", "ssfile://.hidden",
          "ssfile://a\\b.jpg", "ssfile://a\nb.jpg", "ssfile://"}) {
        file.clientRef = bad;
        EXPECT_THROW(StorageClient_3_0::localFileName(file), Quorvel::ResponseException) << bad;
    }
    file.clientRef = "";
    file.fileName = "/etc/passwd";
    EXPECT_THROW(StorageClient_3_0::localFileName(file), Quorvel::ResponseException);
}

TEST(StorageClient, FilesOfTwoGigabytesOrMoreAreRefused)
{
    EXPECT_NO_THROW(StorageClient_3_0::checkFileSize(StorageClient_3_0::MAX_FILE_BYTES - 1, "a"));
    EXPECT_EQ(failureOf([] {
                  StorageClient_3_0::checkFileSize(StorageClient_3_0::MAX_FILE_BYTES, "big.jpg");
              }),
              "System.FileTooLarge: big.jpg is too large for safe storage: files of 2 GB or more "
              "cannot be stored");
}

// A picture's time is its wall clock read as UTC: it goes out as that UTC time, whatever
// this computer's zone.
TEST(StorageClient, PictureTimesGoOnTheWireAsTheirWallClockInUtc)
{
    const char* const zone = std::getenv("TZ");
    const std::string saved = zone ? zone : "";
    ::setenv("TZ", "America/New_York", 1);
    ::tzset();
    ScratchDir dir;
    Quorvel::NetworkSettings direct(dir / "network.ini");
    LoopbackHttpServer server;
    server.enqueue(SoapReplies::reply("storage", "3.0", "registerFile", ""));
    auto storage = Quorvel::makeRef<StorageClient_3_0>(direct);
    storage->setAddress({"127.0.0.1", server.port(), "SESSIONID", "s"});
    StorageClient_3_0::FileInfo info;
    info.time = PICTURE_TIME;
    storage->registerFile({"id", "ssfile://a.jpg", 0, 0}, info, false);
    if (zone)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
    const std::string body = server.lastRequest().body;
    EXPECT_NE(body.find("<time>2020-05-01T14:30:00Z</time>"), std::string::npos) << body;
}

// What no well-behaved provider sends: names that would leave the folder, missing ids,
// transfer addresses on another server, no slot status.
TEST(StorageClient, HostileRepliesAreRefused)
{
    ScratchDir dir;
    Quorvel::NetworkSettings direct(dir / "network.ini");
    LoopbackHttpServer server;
    auto storage = Quorvel::makeRef<StorageClient_3_0>(direct);
    storage->setAddress({"127.0.0.1", server.port(), "SESSIONID", "s"});
    const auto own = "http://127.0.0.1:" + std::to_string(server.port());
    const auto fileList = [&](const std::string& uuid, const std::string& ref,
                              const std::string& name, const std::string& url) {
        return SoapReplies::reply(
            "storage", "3.0", "getFileList",
            "<filelist><item><serveruuid>" + uuid + "</serveruuid><clientref>" + ref +
                "</clientref><filename>" + name +
                "</filename><filesize>5</filesize><storagetype>RENTED_STORAGE</storagetype>"
                "<uploadurl>" +
                own + "/upload/x</uploadurl><downloadurl>" + url +
                "</downloadurl></item></filelist>");
    };
    const std::vector<std::pair<LoopbackHttpServer::Response, std::string>> cases = {
        {fileList("u1", "ssfile://../../.bashrc", "a.jpg", own + "/download/x"),
         "file name: ../../.bashrc"},
        {fileList("u1", "", "/etc/passwd", own + "/download/x"), "file name: /etc/passwd"},
        {fileList("u1", "file:///etc/passwd", "a.jpg", own + "/download/x"),
         "file reference: file:///etc/passwd"},
        {fileList("", "ssfile://a.jpg", "a.jpg", own + "/download/x"), "file without id"},
        {fileList("u1", "ssfile://a.jpg", "a.jpg", "http://elsewhere.example/download/x"),
         "transfer address: http://elsewhere.example/download/x"},
    };
    for (const auto& [reply, refusal] : cases) {
        server.enqueue(reply);
        const wxString failure = failureOf([&] { storage->getFileList({"f", "ssinbox://"}); });
        EXPECT_TRUE(failure.StartsWith("Application.Error: The storage service sent an unusable " +
                                       refusal))
            << failure;
    }
    server.enqueue(SoapReplies::reply(
        "storage", "3.0", "getFolderList",
        "<folderlist><item><serveruuid>f</serveruuid><clientref>ssfolder://../..</clientref>"
        "</item></folderlist>"));
    EXPECT_TRUE(failureOf([&] { storage->getFolderList(); })
                    .StartsWith("Application.Error: The storage service sent an unusable folder "
                                "reference: ssfolder://../.."));
    server.enqueue(SoapReplies::reply("storage", "3.0", "getSlotStatus", ""));
    EXPECT_EQ(failureOf([&] { storage->getSlotStatus(); }),
              "Application.Error: Missing slot status response");
    server.enqueue(SoapReplies::reply("storage", "3.0", "createSession", "<sessionid/>"));
    EXPECT_EQ(failureOf([&] { storage->createSession(); }),
              "Application.Error: Missing session id");
}

TEST_F(StorageClientTest, StoredPicturesAndAlbumsReadBackWithTheSameBytesAndMetadata)
{
    auto storage = session();
    store(storage, ALBUM, {PICTURE_A, PICTURE_B});
    auto inbox = reservation("inbox://", "", PICTURE_C);
    ASSERT_EQ(wholeTask(Task::reserveSlots(storage, {inbox})), "finished");
    storage->setFolderInfo(folderOf(ALBUM), {"Summer in Bergen", "Harbour days", 0, 0, 1700000200});

    // A second computer of the account restores everything from the server.
    auto second = client();
    auto listed = Task::getFolderList(second);
    const TaskOutcome outcome = TaskOutcome::runToEnd(listed);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_EQ(outcome.progressTexts,
              (std::vector<wxString>{"Logging in to safe storage server...",
                                     "Downloading list of folders from server..."}));
    ASSERT_EQ(listed->folders.size(), 2u);
    EXPECT_EQ(listed->folders[0].clientRef, StorageClient_3_0::folderReference(ALBUM));
    EXPECT_EQ(listed->folders[0].folderName, "Summer in Bergen");
    EXPECT_EQ(listed->folders[1].clientRef, "ssinbox://");
    const auto info = second->getFolderInfo({listed->folders[0].serverUuid, wxString()});
    EXPECT_EQ(info.folderName, "Summer in Bergen");
    EXPECT_EQ(info.description, "Harbour days");
    EXPECT_EQ(info.metaModifyTime, 1700000200);

    const auto files = second->getFileList({listed->folders[0].serverUuid, wxString()});
    ASSERT_EQ(files.size(), 2u);
    for (const auto& file : files) {
        const wxString name = StorageClient_3_0::localFileName(file);
        EXPECT_EQ(file.fileModifyTime, 1700000000);
        EXPECT_EQ(file.storageType, StorageClient_3_0::RENTED_STORAGE);
        auto task = Task::downloadFile(second, file, dir / "restore");
        ASSERT_EQ(wholeTask(task), "finished");
        EXPECT_EQ(task->downloadedPath, dir / "restore/" + name);
        EXPECT_EQ(Quorvel::HTTPClient::md5OfFile(dir / "restore/" + name),
                  Quorvel::HTTPClient::md5OfFile(dir / "pics/" + name));
        const auto meta = second->getFileInfo({file.serverUuid, wxString(), 0, 0});
        EXPECT_EQ(meta.caption, wxString::FromUTF8("Bryggen i sol – ") + name);
        EXPECT_EQ(meta.keywords,
                  (std::vector<wxString>{"harbour", wxString::FromUTF8("sommer ☀")}));
        EXPECT_EQ(meta.time, PICTURE_TIME);
        EXPECT_TRUE(meta.timeMask.day);
        EXPECT_FALSE(meta.timeMask.hour);
        EXPECT_EQ(meta.metaModifyTime, 1700000100);
        EXPECT_EQ(meta.fileSize, file.fileSize);
    }
    // The inbox picture is reserved, not yet sent: nothing to fetch.
    const auto waiting = second->getFileList({listed->folders[1].serverUuid, wxString()});
    ASSERT_EQ(waiting.size(), 1u);
    EXPECT_EQ(waiting[0].fileModifyTime, 0);
    EXPECT_EQ(waiting[0].downloadUrl, "");
    EXPECT_EQ(wholeTask(Task::downloadFile(second, waiting[0], dir / "restore")),
              "System.IOError: Error downloading file: nothing of " + std::string(PICTURE_C) +
                  " has been stored yet");
    EXPECT_FALSE(wxFileExists(dir / "restore/" + PICTURE_C));

    const auto status = second->getSlotStatus();
    EXPECT_EQ(status.givenSlots, 100);
    EXPECT_EQ(status.leasedFiles, 3);
    EXPECT_EQ(status.freeLeasedSlots, 97);
}

TEST_F(StorageClientTest, ReservationsShowTheirPositionAndReleasesGiveSlotsBack)
{
    auto storage = session();
    auto task = Task::reserveSlots(storage, {reservation(ALBUM, "Summer", PICTURE_A),
                                             reservation(ALBUM, "Summer", PICTURE_B)});
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_EQ(outcome.progressTexts, (std::vector<wxString>{"Reserving slots for file 1 of 2",
                                                            "Reserving slots for file 2 of 2"}));
    EXPECT_EQ(task->reservedCount, 2);
    EXPECT_EQ(task->slotStatus.freeLeasedSlots, 98);
    // Reserving again takes nothing more.
    ASSERT_EQ(wholeTask(Task::reserveSlots(storage, {reservation(ALBUM, "Summer", PICTURE_A)})),
              "finished");
    EXPECT_EQ(storage->getSlotStatus().freeLeasedSlots, 98);

    auto release =
        Task::releaseSlots(storage, {{"", StorageClient_3_0::fileReference(PICTURE_A), 0, 0}});
    ASSERT_EQ(wholeTask(release), "finished");
    EXPECT_EQ(release->slotStatus.freeLeasedSlots, 99);
    EXPECT_EQ(storage->getFileList(folderOf(ALBUM)).size(), 1u);
}

TEST_F(StorageClientTest, TooFewSlotsKeepTheServicesCodeAndOtherFailuresNameTheFile)
{
    startProvider("[provider]\nstorageslots = 2\nslotsize = 100000\n");
    auto storage = session();
    // 150008 bytes take two slots, 70008 one more than are left.
    auto task = Task::reserveSlots(storage, {reservation(ALBUM, "Summer", PICTURE_A),
                                             reservation(ALBUM, "Summer", PICTURE_B)});
    EXPECT_EQ(wholeTask(task), "SoapClient.InsufficientSlots: Not enough free slots: 1 needed, "
                               "0 free (via proxy)");
    EXPECT_EQ(task->reservedCount, 1);

    startProvider("[faults]\nrule = storage/reserveSlots | fault Server.Busy Try later | 1\n");
    auto again = session();
    EXPECT_EQ(wholeTask(Task::reserveSlots(again, {reservation(ALBUM, "Summer", PICTURE_B)})),
              "SoapServer.Busy: Could not get reserve slots for file: " + std::string(PICTURE_B) +
                  " (Try later (via proxy))");
}

TEST_F(StorageClientTest, UploadsOfTwoGigabytesOrMoreAreRefusedBeforeAnythingIsSent)
{
    auto storage = session();
    store(storage, ALBUM, {PICTURE_A});
    const auto file = serverFile(storage, ALBUM, PICTURE_A);
    const size_t before = journal().size();
    // Sparse: no disk is filled.
    const wxString big = dir / "pics/big.jpg";
    dir.writeFile("pics/big.jpg", "");
    ASSERT_EQ(::truncate(big.utf8_str(), StorageClient_3_0::MAX_FILE_BYTES), 0);
    EXPECT_EQ(wholeTask(Task::uploadFile(storage, file, big, {})),
              "System.FileTooLarge: big.jpg is too large for safe storage: files of 2 GB or more "
              "cannot be stored");
    auto reserve = reservation(ALBUM, "Summer", PICTURE_B);
    reserve.file.fileSize = StorageClient_3_0::MAX_FILE_BYTES;
    EXPECT_EQ(wholeTask(Task::reserveSlots(storage, {reserve})).substr(0, 20),
              "System.FileTooLarge:");
    EXPECT_EQ(journal().size(), before);
}

TEST_F(StorageClientTest, DeletesAndMovesGoInBatchesOfTen)
{
    auto storage = session();
    std::vector<StorageClient_3_0::ClientOperation> operations;
    for (int i = 0; i < 25; ++i)
        operations.push_back(remove(("gone-" + std::to_string(i) + ".jpg").c_str(), 1000 + i));
    auto task = Task::applyClientOperations(storage, operations);
    const TaskOutcome outcome = TaskOutcome::runToEnd(task);
    ASSERT_EQ(outcome.type, Quorvel::EVT_TASK_FINISHED) << outcome.failure();
    EXPECT_EQ(outcome.progressTexts, std::vector<wxString>{"Updating information on server..."});
    EXPECT_EQ(task->sentOperations, 25u);
    EXPECT_EQ(journalledArguments("applyClientOperations", "operations"),
              (std::vector<std::string>{"10", "10", "5"}));

    // A failing batch leaves the count at what the service took.
    startProvider("[faults]\nrule = storage/applyClientOperations | fault Server.Busy x | 1\n");
    auto failing = Task::applyClientOperations(session(), operations);
    EXPECT_EQ(wholeTask(failing).substr(0, 16), "SoapServer.Busy:");
    EXPECT_EQ(failing->sentOperations, 0u);
}

TEST_F(StorageClientTest, AJournalSentTwiceOrLateChangesNothing)
{
    auto storage = session();
    store(storage, ALBUM, {PICTURE_A, PICTURE_B, PICTURE_C});
    const std::vector<StorageClient_3_0::ClientOperation> journal = {
        move(PICTURE_A, OTHER_ALBUM, 2000), remove(PICTURE_B, 2000)};
    ASSERT_EQ(wholeTask(Task::applyClientOperations(storage, journal)), "finished");
    // The catalogue had not committed the sent rows: the same journal comes again.
    ASSERT_EQ(wholeTask(Task::applyClientOperations(storage, journal)), "finished");
    EXPECT_EQ(applied(), (std::vector<std::string>{"2", "0"}));
    ASSERT_EQ(storage->getFileList(folderOf(OTHER_ALBUM)).size(), 1u);
    EXPECT_EQ(storage->getFileList(folderOf(ALBUM)).size(), 1u);

    // A later move of the picture wins over an older one that arrives after it.
    ASSERT_EQ(wholeTask(Task::applyClientOperations(storage, {move(PICTURE_A, ALBUM, 3000)})),
              "finished");
    ASSERT_EQ(wholeTask(Task::applyClientOperations(storage, journal)), "finished");
    EXPECT_EQ(applied().back(), "0");
    EXPECT_EQ(storage->getFileList(folderOf(ALBUM)).size(), 2u);
    EXPECT_TRUE(storage->getFileList(folderOf(OTHER_ALBUM)).empty());
    EXPECT_EQ(storage->getSlotStatus().leasedFiles, 2);

    // A move to where the picture is counts too: an older move arriving later is ignored.
    ASSERT_EQ(wholeTask(Task::applyClientOperations(storage, {move(PICTURE_A, ALBUM, 3500)})),
              "finished");
    ASSERT_EQ(wholeTask(Task::applyClientOperations(storage, {move(PICTURE_A, OTHER_ALBUM, 3200)})),
              "finished");
    EXPECT_EQ(applied().back(), "0");
    EXPECT_EQ(storage->getFileList(folderOf(ALBUM)).size(), 2u);

    // A malformed operation refuses the whole batch before any of it is applied.
    EXPECT_EQ(failureOf([&] {
                  storage->applyClientOperations(
                      {remove(PICTURE_C, 4000), {StorageClient_3_0::MOVE, 4000, "ssfile://x", ""}});
              }),
              "SoapClient.InvalidOperation: Operation 2: a move needs a folder reference (via "
              "proxy)");
    EXPECT_EQ(storage->getSlotStatus().leasedFiles, 2);
}

// The provider announces the whole file and sends less (truncate), or bytes whose MD5 is not
// the one it names (wrong-md5): the local picture stays as it was, and no temporary file is
// left beside it.
TEST_F(StorageClientTest, ABrokenDownloadLeavesTheLocalPictureUnchanged)
{
    auto storage = session();
    store(storage, ALBUM, {PICTURE_A});
    const std::string local = "the local picture, edited";
    dir.writeFile(wxString("restore/") + PICTURE_A, local);
    for (const std::string action : {"truncate 1000", "wrong-md5"}) {
        startProvider("[faults]\nrule = GET /download/* | " + action + " | 1\n");
        auto second = session();
        const auto file = serverFile(second, ALBUM, PICTURE_A);
        auto task = Task::downloadFile(second, file, dir / "restore");
        const std::string failure = wholeTask(task);
        EXPECT_EQ(failure.substr(0, 39), "System.IOError: Error downloading file:") << failure;
        EXPECT_EQ(dir.readFile(wxString("restore/") + PICTURE_A), local) << action;
        EXPECT_EQ(filesUnder(dir / "restore"), 1u) << action;
        EXPECT_EQ(task->downloadedPath, "");
    }
    EXPECT_EQ(wholeTask(Task::downloadFile(session(), serverFile(session(), ALBUM, PICTURE_A),
                                           dir / "restore")),
              "finished");
    EXPECT_EQ(Quorvel::HTTPClient::md5OfFile(dir / "restore/" + PICTURE_A),
              Quorvel::HTTPClient::md5OfFile(path(PICTURE_A)));
}

TEST_F(StorageClientTest, ASubscriptionIsChargedItsPriceAndConfirmedOnlyOncePaid)
{
    auto storage = client();
    auto packages = Task::getSubscriptionPackages(storage);
    ASSERT_EQ(wholeTask(packages), "finished");
    ASSERT_FALSE(packages->packages.empty());
    const auto package = packages->packages.front();
    auto initiated = Task::initiateSubscription(storage, package.slots, package.period);
    ASSERT_EQ(wholeTask(initiated), "finished");
    EXPECT_EQ(initiated->transaction.paymentServer, "demo.portal.vistrelle.net");
    const wxString transactionId = initiated->transaction.transactionId;

    // The transaction is one of the payment service, for the package's price to the cent.
    const auto payment =
        Provider::ProviderStore(utf8(dir / "data/provider.db")).findPayment(utf8(transactionId));
    ASSERT_TRUE(payment);
    EXPECT_EQ(payment->amountUnits, std::llround(package.price * 100) * 10000);
    EXPECT_EQ(payment->currency, utf8(package.currency));
    EXPECT_EQ(payment->status, "TR_OPEN");

    // Unpaid, confirming is refused and adds nothing.
    auto unpaid = Task::confirmSubscription(storage, transactionId);
    EXPECT_EQ(wholeTask(unpaid),
              "SoapClient.NotPaid: The subscription has not been paid (via proxy)");
    EXPECT_EQ(session()->getSlotStatus().leasedSlots, 0);

    payInStore(transactionId);
    auto confirmed = Task::confirmSubscription(session(), transactionId);
    ASSERT_EQ(wholeTask(confirmed), "finished");
    EXPECT_EQ(confirmed->confirmation.newSlots, package.slots);
    EXPECT_EQ(confirmed->slotStatus.leasedSlots, package.slots);
    EXPECT_EQ(journalledOperations().back(), "closeSession");

    // Confirming again (a retry after a lost answer) adds nothing.
    auto again = session();
    const auto second = again->confirmSubscription(transactionId);
    EXPECT_EQ(second.slotStatus.leasedSlots, package.slots);
    EXPECT_EQ(second.expires, confirmed->confirmation.expires);
    const auto active = again->getActiveSubscriptions();
    ASSERT_EQ(active.size(), 2u);
    EXPECT_EQ(active[0].type, "free");
    EXPECT_EQ(active[0].expires, 0);
    EXPECT_EQ(active[1].slots, package.slots);
    EXPECT_EQ(failureOf([&] { again->initiateSubscription(7, "1"); }),
              "SoapClient.UnknownPackage: No such subscription package (via proxy)");
    EXPECT_EQ(failureOf([&] { again->confirmSubscription("nothing"); }),
              "SoapClient.UnknownTransaction: No such subscription transaction (via proxy)");
}

TEST_F(StorageClientTest, ADeclinedPaymentConfirmsNoSubscription)
{
    auto storage = session();
    const auto package = storage->getSubscriptionPackages().back();
    const wxString transactionId =
        storage->initiateSubscription(package.slots, package.period).transactionId;
    {
        Provider::ProviderStore store(utf8(dir / "data/provider.db"));
        store.takePaymentDetails(utf8(transactionId), 1, Provider::ProviderStore::Payment::Failed,
                                 0);
        store.pollPayment(utf8(transactionId));
    }
    EXPECT_EQ(failureOf([&] { storage->confirmSubscription(transactionId); }),
              "SoapClient.NotPaid: The subscription has not been paid (via proxy)");
    EXPECT_EQ(storage->getSlotStatus().leasedSlots, 0);
    EXPECT_EQ(storage->getActiveSubscriptions().size(), 1u);
}

TEST_F(StorageClientTest, EveryCallButCreateSessionNeedsTheSession)
{
    auto storage = client();
    EXPECT_EQ(failureOf([&] { storage->getSlotStatus(); }),
              "SoapClient.NoSession: Open a session with createSession first (via proxy)");
    EXPECT_EQ(failureOf([&] { client("wrong")->createSession(); }).BeforeFirst(':'),
              "Soap.UnknownError");
    storage->createSession();
    EXPECT_EQ(storage->getAddress().user, "SESSIONID");
    EXPECT_EQ(storage->getSlotStatus().givenSlots, 100);
    EXPECT_EQ(failureOf([&] { storage->getFileList(folderOf(ALBUM)); }),
              "SoapClient.UnknownFolder: No such folder in safe storage (via proxy)");
    storage->closeSession();
    EXPECT_EQ(failureOf([&] { storage->getSlotStatus(); }).BeforeFirst(':'), "Soap.UnknownError");
}

TEST_F(StorageClientTest, ARegistrationMustMatchTheBytesThatArrivedAndAReleaseDropsThem)
{
    auto storage = session();
    ASSERT_EQ(wholeTask(Task::reserveSlots(storage, {reservation(ALBUM, "Summer", PICTURE_A)})),
              "finished");
    auto file = serverFile(storage, ALBUM, PICTURE_A);
    StorageClient_3_0::FileInfo info;
    info.fileSize = 150008;
    const StorageClient_3_0::FileId id{file.serverUuid, file.clientRef, 0, 0};
    EXPECT_EQ(failureOf([&] { storage->registerFile(id, info, true); }),
              "SoapClient.FileNotUploaded: The file has not been uploaded (via proxy)");
    ASSERT_EQ(wholeTask(Task::uploadFile(storage, file, path(PICTURE_A), {})), "finished");
    info.fileSize = 99;
    EXPECT_EQ(failureOf([&] { storage->registerFile(id, info, true); }),
              "SoapClient.FileSize: The file uploaded has 150008 bytes, not 99 (via proxy)");

    std::string account;
    for (const auto& line : journal())
        account = line.account;
    const wxString stored = dir / "data/uploads/" + account + "/storage/" + file.serverUuid;
    ASSERT_TRUE(wxFileExists(stored));
    storage->releaseSlots(id);
    EXPECT_FALSE(wxFileExists(stored));
    // Releasing what is not stored leaves it so.
    EXPECT_EQ(storage->releaseSlots(id).leasedFiles, 0);
}

// A second computer gives a server folder the reference of the album it made for it.
TEST_F(StorageClientTest, AFolderTakesANewReferenceUnlessAnotherHasIt)
{
    auto storage = session();
    store(storage, ALBUM, {PICTURE_A});
    ASSERT_EQ(wholeTask(Task::reserveSlots(storage, {reservation(OTHER_ALBUM, "B", PICTURE_B)})),
              "finished");
    const auto folder = storage->getFolderList().at(0);
    EXPECT_EQ(failureOf([&] {
                  storage->setFolderClientRef({folder.serverUuid, wxString()},
                                              StorageClient_3_0::folderReference(OTHER_ALBUM));
              }),
              "SoapClient.ClientRefTaken: The reference " +
                  StorageClient_3_0::folderReference(OTHER_ALBUM) + " is taken (via proxy)");
    storage->setFolderClientRef({folder.serverUuid, wxString()}, "ssfolder://restored");
    EXPECT_EQ(storage->getFolderList().at(0).clientRef, "ssfolder://restored");
    EXPECT_EQ(storage->getFileList({wxString(), "ssfolder://restored"}).size(), 1u);
    EXPECT_EQ(failureOf([&] {
                  storage->setFolderClientRef({folder.serverUuid, wxString()}, "");
              }),
              "SoapClient.InvalidClientRef: No usable client reference (via proxy)");
}
