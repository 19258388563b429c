// The safe-storage steps against the reference provider: each logs in once by itself, and the
// replacing of a picture by its server copy changes nothing when the download goes wrong.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include <wx/dir.h>
#include <wx/filename.h>

#include "ProviderFixture.h"
#include "TaskOutcome.h"
#include "safestorage/SafeStorageTask.h"
#include "service/HTTPClient.h"
#include "service/StorageClient_3_0.h"
#include "threads/TaskEvent.h"

using Brenmarle::SafeStorageTask;
using Brenmarle::StorageClient_3_0;
using Client = Quorvel::Ref<StorageClient_3_0>;

namespace {

const wxString ALBUM = "album://0b6c3e38-6d43-4c52-9a6e-1d6f0f3c2a11/";
const char* const NAMES[] = {"1c0e8f5a-3d2b-4a6c-9e8f-0a1b2c3d4e5f.jpg",
                             "2d1f9a6b-4e3c-4b7d-8f9a-1b2c3d4e5f60.jpg",
                             "3e2a0b7c-5f4d-4c8e-9a0b-2c3d4e5f6071.jpg"};

wxString outcome(const Quorvel::Ref<Quorvel::Task>& task)
{
    const TaskOutcome ended = TaskOutcome::runToEnd(task);
    return ended.type == Quorvel::EVT_TASK_FINISHED ? wxString("finished") : ended.failure();
}

} // namespace

class SafeStorageTaskTest : public ProviderFixture {
protected:
    SafeStorageTaskTest()
    {
        // 2500, 1500 and 500 bytes: 3, 2 and 1 slots of 1000 bytes.
        int size = 2500;
        for (const char* name : NAMES) {
            dir.writeFile(wxString("album/") + name, std::string(size, 'x') + name);
            size -= 1000;
        }
    }
    void start(int slots)
    {
        startProvider("[provider]\nstorageslots = " + std::to_string(slots) +
                      "\nslotsize = 1000\n");
    }
    Client client()
    {
        auto storage = Quorvel::makeRef<StorageClient_3_0>(settings);
        storage->setAddress(portalAddress("demo", "anna@example.com", "secret"));
        return storage;
    }
    std::vector<SafeStorageTask::Reservation> reservations()
    {
        std::vector<SafeStorageTask::Reservation> result;
        for (const char* name : NAMES) {
            SafeStorageTask::Reservation picture;
            picture.folder.clientRef = StorageClient_3_0::folderReference(ALBUM);
            picture.folder.folderName = "Summer";
            picture.file.clientRef = StorageClient_3_0::fileReference(ALBUM + name);
            picture.file.fileName = name;
            picture.file.fileSize = wxFileName::GetSize(dir / "album/" + name).GetValue();
            result.push_back(picture);
        }
        return result;
    }
    // Stores the first picture and sends its content, as the synchronisation would.
    void storeFirst(const Client& storage)
    {
        ASSERT_EQ(outcome(SafeStorageTask::store(storage, {reservations().front()})), "finished");
        for (const auto& file :
             storage->getFileList({wxString(), StorageClient_3_0::folderReference(ALBUM)})) {
            StorageClient_3_0::FileInfo info;
            info.fileModifyTime = 1700000000;
            info.metaModifyTime = 1700000000;
            ASSERT_EQ(outcome(SafeStorageTask::uploadFile(storage, file, dir / "album/" + NAMES[0],
                                                          info)),
                      "finished");
        }
    }
};

TEST_F(SafeStorageTaskTest, StoringAndRemovingLogInOnceAndCountSlots)
{
    start(10);
    auto storage = client();
    auto status = SafeStorageTask::freeSlots(storage);
    ASSERT_EQ(outcome(status), "finished");
    EXPECT_EQ(status->slotStatus.slotSize, 1000);
    EXPECT_EQ(status->slotStatus.freeLeasedSlots, 10);

    auto store = SafeStorageTask::store(storage, reservations());
    const TaskOutcome stored = TaskOutcome::runToEnd(store);
    ASSERT_EQ(stored.type, Quorvel::EVT_TASK_FINISHED) << stored.failure();
    EXPECT_EQ(store->reservedCount, 3);
    EXPECT_EQ(store->slotStatus.freeLeasedSlots, 4);
    EXPECT_NE(std::find(stored.progressTexts.begin(), stored.progressTexts.end(),
                        "Reserving slots for file 3 of 3"),
              stored.progressTexts.end());

    auto remove = SafeStorageTask::remove(
        storage, {{wxString(), StorageClient_3_0::fileReference(ALBUM + NAMES[0]), 0, 0}});
    ASSERT_EQ(outcome(remove), "finished");
    EXPECT_EQ(remove->slotStatus.freeLeasedSlots, 7);
    EXPECT_EQ(remove->slotStatus.leasedFiles, 2);
    // One session for all three steps of the same client.
    EXPECT_EQ(journalled("createSession"), 1u);
    EXPECT_EQ(journalled("reserveSlots"), 3u);
}

TEST_F(SafeStorageTaskTest, TooFewSlotsStopAtThePictureThatDoesNotFit)
{
    start(4);
    auto store = SafeStorageTask::store(client(), reservations());
    const wxString failure = outcome(store);
    EXPECT_TRUE(failure.StartsWith("SoapClient.InsufficientSlots")) << failure;
    // The first picture took three of the four slots; the second needed two.
    EXPECT_EQ(store->reservedCount, 1);

    // A wrong password ends the step at the log-in, before anything is reserved.
    const size_t reserveCalls = journalled("reserveSlots");
    auto refused = client();
    refused->setAddress(portalAddress("demo", "anna@example.com", "wrong"));
    EXPECT_NE(outcome(SafeStorageTask::store(refused, reservations())), "finished");
    EXPECT_EQ(journalled("reserveSlots"), reserveCalls);
}

TEST_F(SafeStorageTaskTest, StatusListsTheFreeSlotsFirst)
{
    start(25);
    auto status = SafeStorageTask::accountStatus(client());
    ASSERT_EQ(outcome(status), "finished");
    EXPECT_EQ(status->slotStatus.givenSlots, 25);
    ASSERT_FALSE(status->subscriptions.empty());
    EXPECT_EQ(status->subscriptions.front().slots, 25);
    EXPECT_EQ(status->subscriptions.front().expires, 0);
}

// Entries of a folder, hidden ones and folders included.
size_t entries(const wxString& folder)
{
    wxDir dir(folder);
    wxString name;
    size_t count = 0;
    for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN);
         more; more = dir.GetNext(&name))
        ++count;
    return count;
}

// The program keeps the picture under a name of its own, not the server's.
TEST_F(SafeStorageTaskTest, ABrokenReplaceLeavesThePictureAsItWas)
{
    start(10);
    storeFirst(client());
    const std::string original = readFile(dir / "album/" + NAMES[0]);
    wxMkdir(dir / "archive");
    const wxString local = dir / "archive/picture.vsaf";
    const std::string edited = "edited here, not yet sent";
    writeFile(local, edited);

    for (const std::string action : {"truncate 100", "wrong-md5"}) {
        startProvider("[provider]\nslotsize = 1000\n[faults]\nrule = GET /download/* | " + action +
                      " | 1\n");
        auto replace = SafeStorageTask::replace(client(), ALBUM + NAMES[0], local);
        const wxString failure = outcome(replace);
        EXPECT_TRUE(failure.StartsWith("System.IOError: Error downloading file")) << failure;
        EXPECT_EQ(readFile(local), edited) << action;
        // Nothing is left beside it.
        EXPECT_EQ(entries(dir / "archive"), 1u) << action;
    }

    startProvider("[provider]\nslotsize = 1000\n");
    auto replace = SafeStorageTask::replace(client(), ALBUM + NAMES[0], local);
    ASSERT_EQ(outcome(replace), "finished");
    EXPECT_EQ(readFile(local), original);
    EXPECT_EQ(entries(dir / "archive"), 1u);
    EXPECT_EQ(replace->downloadedPath, local);
    EXPECT_EQ(wxFileName(local).GetModificationTime().GetTicks(), replace->file.fileModifyTime);

    // A picture the server does not have is left alone.
    const wxString other = dir / "album/" + NAMES[1];
    const std::string before = readFile(other);
    EXPECT_EQ(outcome(SafeStorageTask::replace(client(), ALBUM + NAMES[1], other)),
              "Logic.NotFound: The picture is not in safe storage");
    EXPECT_EQ(readFile(other), before);
}
