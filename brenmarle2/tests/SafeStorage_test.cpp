// The safe-storage dialogs and commands as the user meets them, against the reference provider
// on loopback: the slot texts, storing, renting when slots are too few, removing, replacing a
// picture by its server copy (a broken download changes nothing), the status of the account,
// and the warnings before deleting and in an album. With VISTRELLE_SHOTS set to a folder, each
// dialog looked at is saved there.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>

#include <sys/wait.h>

#include <wx/button.h>
#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/frame.h>
#include <wx/listctrl.h>
#include <wx/testing.h>

#include "AccountFixture.h"
#include "ChildProcess.h"
#include "ExpectMessageBox.h"
#include "PressButton.h"
#include "ProgramConfiguration.h"
#include "ProviderStore.h"
#include "Screenshot.h"
#include "StorageStore.h"
#include "TestPictures.h"
#include "WaitUntil.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "folders/AlbumFolder.h"
#include "myalbums/MyAlbumsPage.h"
#include "safestorage/AlreadySafeDialog.h"
#include "safestorage/SafeStorageAccount.h"
#include "safestorage/SafeStorageCommands.h"
#include "safestorage/SafeStorageDialog.h"
#include "safestorage/StorageProgressDialog.h"
#include "safestorage/SubscriptionsDialog.h"
#include "service/HTTPClient.h"
#include "service/StorageClient_3_0.h"
#include "service/StorageClient_3_0_Task.h"
#include "widgets/ThumbnailView.h"

using namespace std::chrono_literals;
using Brenmarle::File;
using Brenmarle::StorageClient_3_0;
using Files = SafeStorageCommands::Files;

namespace {

// The emblems' explanation, shown modally, is noted and closed.
class ExpectAlreadySafe : public wxExpectModalBase<AlreadySafeDialog, ExpectAlreadySafe> {
public:
    explicit ExpectAlreadySafe(wxString& title) : m_title(title) {}

protected:
    int OnInvoked(AlreadySafeDialog* dialog) const override
    {
        m_title = dialog->GetTitle();
        return wxID_OK;
    }

private:
    wxString& m_title;
};

// Runs the real program with `arguments` and its debug log, waits for `line` in the log and
// ends the program with SIGTERM, as when the desktop session ends: empty when it then ended
// by itself within seconds, else what went wrong. `output` takes what it wrote.
std::string endOnceLogged(const std::vector<std::string>& arguments, const std::string& line,
                          std::string* output = nullptr)
{
    wxSetEnv("WXTRACE", "DEBUG");
    ChildProcess program(arguments);
    wxUnsetEnv("WXTRACE");
    std::string result = program.waitForOutput(line, ChildProcess::scaled(30s))
                             ? program.endOnSignal(SIGTERM, ChildProcess::scaled(5s))
                             : "never logged \"" + line + "\":\n" + program.output();
    if (output)
        *output = program.output();
    return result;
}

} // namespace

class SafeStorageTest : public AccountFixture {
protected:
    SafeStorageTest()
    {
        const wxString data = Quorvel::Environment::getUserDataDir();
        wxFileName::Mkdir(data, 0700, wxPATH_MKDIR_FULL);
        Brenmarle::Database::getInstance().open(data + "database.db");
        files = std::make_unique<Brenmarle::FileManager>();
    }
    ~SafeStorageTest() override
    {
        if (dialog)
            dialog->Destroy();
        commands.reset();
        waitUntil([] { return true; });
        Brenmarle::AlbumFolder::unloadAlbums();
        files.reset();
        Brenmarle::Database::getInstance().close();
    }

    // Slots of 1000 bytes, `slots` of them free for the account, which the program uses.
    void start(int slots)
    {
        startProvider("[provider]\nstorageslots = " + std::to_string(slots) +
                      "\nslotsize = 1000\n");
        Brenmarle::AccountSettings::store(configuration, anna());
    }
    // An album "Summer" with pictures of these sizes (bytes), copied in from the disk.
    Files album(std::initializer_list<int> sizes, bool warn = false)
    {
        summer = Quorvel::makeRef<Brenmarle::AlbumFolder>();
        summer->setName("Summer");
        summer->setSafeStorageWarning(warn);
        Brenmarle::AlbumFolder::createAlbum(summer);
        Files pictures;
        int n = 0;
        for (int size : sizes) {
            const wxString name = wxString::Format("Pictures/IMG_%04d.JPG", ++n);
            home.writeFile(name, std::string(size, 'p'));
            auto original = files->getFile("file://" + home.path() + name);
            pictures.push_back(summer->copyFileIn(*original));
        }
        return pictures;
    }
    Quorvel::Ref<StorageClient_3_0> client()
    {
        return SafeStorageAccount::makeClient(configuration, settings);
    }
    StorageClient_3_0::SlotStatus providerSlots()
    {
        auto storage = client();
        storage->createSession();
        return storage->getSlotStatus();
    }
    // Stores the pictures through the dialog, as the user does with enough slots.
    void storeThroughDialog(const Files& pictures)
    {
        dialog = new SafeStorageDialog(nullptr, pictures, configuration, hooks, &settings);
        dialog->Show();
        ASSERT_TRUE(waitUntil([this] { return dialog->getActionButton()->IsEnabled(); }))
            << dialog->getMessage();
        ASSERT_EQ(dialog->getActionButton()->GetLabel(), "Store");
        pressButton(dialog->getActionButton());
        ASSERT_TRUE(waitUntil([this] { return !dialog->IsShown(); })) << dialog->getMessage();
    }
    // Sends the stored picture's content, as the synchronisation would.
    void upload(const Quorvel::Ref<File>& picture)
    {
        auto storage = client();
        storage->createSession();
        for (const auto& file : storage->getFileList(
                 {wxString(), StorageClient_3_0::folderReference(summer->getURI())})) {
            if (file.clientRef != StorageClient_3_0::fileReference(picture->getURI()))
                continue;
            StorageClient_3_0::FileInfo info;
            info.fileModifyTime = 1700000000;
            info.metaModifyTime = 1700000000;
            auto task = Brenmarle::StorageClient_3_0_Task::uploadFile(
                storage, file, files->getLocalPath(*picture), info);
            task->run();
        }
    }
    // Leaves the catalogue and the account to the real program, whose every request goes to
    // the provider, never further.
    void handToProgram()
    {
        configuration.flushUserConfig();
        Brenmarle::AlbumFolder::unloadAlbums();
        files.reset();
        Brenmarle::Database::getInstance().close();
        writeFile(Quorvel::Environment::getNetworkSettingsPath(),
                  "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(provider->port()) + "\n");
    }
    // What the program left: the album's pictures in the catalogue, and how many of them are
    // not stored for Anna.
    std::pair<int, int> catalogueAfterProgram()
    {
        Brenmarle::Database& catalogue = Brenmarle::Database::getInstance();
        catalogue.open(Quorvel::Environment::getUserDataDir() + "database.db");
        return {catalogue.countFolderFiles(summer->getURI()),
                catalogue.countNotSafelyStored(summer->getURI(), anna().accountId)};
    }
    // Stores the pictures, then removes them through the commands with the provider's
    // releases as `faults` say and then hanging, up to the progress line `line`; the progress
    // window then, or null.
    StorageProgressDialog* removeUntil(const Files& pictures, const std::string& faults,
                                       const wxString& line)
    {
        start(10);
        storeThroughDialog(pictures);
        useCommands();
        startProvider("[provider]\nslotsize = 1000\n[faults]\n" + faults +
                      "rule = storage/releaseSlots | delay 60000 | 1\n");
        wxString title;
        wxString question;
        wxTEST_DIALOG(commands->remove(pictures), ExpectMessageBox(title, question, wxID_YES));
        StorageProgressDialog* progress = commands->getProgressDialog();
        if (!progress || !waitUntil([&] { return progress->getProgressText() == line; })) {
            ADD_FAILURE() << (progress ? progress->getProgressText() : wxString("no window"));
            return nullptr;
        }
        return progress;
    }
    void useCommands()
    {
        commandHooks.changesToSynchronize = [this] { ++changes; };
        commands =
            std::make_unique<SafeStorageCommands>(nullptr, configuration, commandHooks, &settings);
    }

    std::unique_ptr<Brenmarle::FileManager> files;
    Quorvel::Ref<Brenmarle::AlbumFolder> summer;
    SafeStorageDialog::Hooks hooks;
    SafeStorageCommands::Hooks commandHooks;
    SafeStorageDialog* dialog = nullptr;
    std::unique_ptr<SafeStorageCommands> commands;
    int changes = 0;
};

// 2500, 1500 and 500 bytes take 3 + 2 + 1 slots of 1000 bytes.
TEST_F(SafeStorageTest, StoringThreePicturesWithEnoughSlots)
{
    start(10);
    const Files pictures = album({2500, 1500, 500});
    hooks.changesToSynchronize = [this] { ++changes; };
    dialog = new SafeStorageDialog(nullptr, pictures, configuration, hooks, &settings);
    dialog->Show();
    EXPECT_EQ(dialog->GetTitle(), "Safe Storage");
    ASSERT_TRUE(waitUntil([this] { return dialog->getActionButton()->IsEnabled(); }));
    EXPECT_EQ(dialog->getMessage(),
              "3 selected files are not safely stored. Click 'Store' to use 6 of your 10 slots.");
    EXPECT_EQ(dialog->getActionButton()->GetLabel(), "Store");
    EXPECT_EQ(dialog->getHeading(), "");
    shootIfAsked(*dialog, "safestorage-enough");

    pressButton(dialog->getActionButton());
    ASSERT_TRUE(waitUntil([this] { return !dialog->IsShown(); })) << dialog->getMessage();
    EXPECT_EQ(dialog->GetReturnCode(), wxID_OK);
    EXPECT_EQ(changes, 1);
    for (const auto& picture : pictures) {
        EXPECT_EQ(picture->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
        EXPECT_EQ(picture->getSafeStorageAccountId(), anna().accountId);
        EXPECT_EQ(picture->getSafeStorageRevision(), 0);
    }
    // The slots counted at the service are the storing task's test.
    EXPECT_EQ(journalled("reserveSlots"), 3u);

    // Stored pictures are not stored twice: a second look finds nothing to do.
    dialog->Destroy();
    dialog = new SafeStorageDialog(nullptr, pictures, configuration, hooks, &settings);
    EXPECT_EQ(dialog->getWaitingCount(), 0u);
}

TEST_F(SafeStorageTest, TooFewSlotsOfferRentingMore)
{
    start(4);
    const Files pictures = album({2500, 1500, 500});
    dialog = new SafeStorageDialog(nullptr, pictures, configuration, hooks, &settings);
    dialog->Show();
    ASSERT_TRUE(waitUntil([this] { return dialog->getHeading() != ""; }));
    EXPECT_EQ(dialog->getMessage(),
              "3 selected files are not safely stored, and you have not enough free slots "
              "available to store these files (Available: 4, required: 6 slots.");
    EXPECT_EQ(dialog->getHeading(), "Insufficient number of available storage slots");
    EXPECT_EQ(dialog->getActionButton()->GetLabel(), "Rent More Slots");
    // Without a way to rent here the button cannot be pressed.
    EXPECT_FALSE(dialog->getActionButton()->IsEnabled());
    shootIfAsked(*dialog, "safestorage-too-few");
    dialog->Destroy();

    // Renting gives the account more slots; the dialog asks again and offers storing.
    int rented = 0;
    int bought = 0;
    hooks.rentSlots = [&] {
        ++rented;
        // Stands in for the renting assistant (tested on its own, with its payment): the
        // subscription as the provider records it once paid and confirmed.
        Provider::ProviderStore store(std::string((dir / "data/provider.db").utf8_str()));
        const auto account = store.findAccount("demo", "anna@example.com").value();
        Provider::StorageStore::Subscription subscription;
        subscription.slots = 10;
        subscription.period = "1Y";
        subscription.currency = "EUR";
        const std::string id = store.storage().addSubscription(account.id, subscription);
        bought = static_cast<int>(
            store.storage().confirmSubscription(account.id, id, 365 * 86400).slots);
        return true;
    };
    dialog = new SafeStorageDialog(nullptr, pictures, configuration, hooks, &settings);
    dialog->Show();
    ASSERT_TRUE(waitUntil([this] { return dialog->getActionButton()->IsEnabled(); }));
    pressButton(dialog->getActionButton());
    ASSERT_TRUE(waitUntil([this] { return dialog->getHeading().empty() && !dialog->isBusy(); }))
        << dialog->getMessage();
    EXPECT_EQ(rented, 1);
    ASSERT_GT(bought, 2);
    EXPECT_EQ(dialog->getMessage(),
              wxString::Format("3 selected files are not safely stored. Click 'Store' to use 6 "
                               "of your %d slots.",
                               4 + bought));
    EXPECT_EQ(dialog->getActionButton()->GetLabel(), "Store");
    EXPECT_TRUE(dialog->getActionButton()->IsEnabled());
    EXPECT_EQ(journalled("reserveSlots"), 0u);
}

// Another computer of the account takes a slot while the dialog is open: the service refuses
// the third picture, the first two stay reserved and marked, the refusal names the picture,
// and renting is offered.
TEST_F(SafeStorageTest, ARefusedReservationKeepsWhatWasReserved)
{
    start(5);
    const Files pictures = album({500, 500, 2500});
    dialog = new SafeStorageDialog(nullptr, pictures, configuration, hooks, &settings);
    dialog->Show();
    ASSERT_TRUE(waitUntil([this] { return dialog->getActionButton()->IsEnabled(); }));
    EXPECT_EQ(dialog->getMessage(),
              "3 selected files are not safely stored. Click 'Store' to use 5 of your 5 slots.");
    auto other = client();
    other->createSession();
    StorageClient_3_0::SyncFolder folder;
    folder.clientRef = "ssinbox://";
    StorageClient_3_0::SyncFile file;
    file.clientRef = "ssfile://elsewhere.jpg";
    file.fileName = "elsewhere.jpg";
    file.fileSize = 10;
    other->reserveSlots(folder, file);

    pressButton(dialog->getActionButton());
    ASSERT_TRUE(waitUntil([this] { return !dialog->isBusy() && dialog->getHeading() != ""; }))
        << dialog->getMessage();
    EXPECT_TRUE(dialog->getMessage().StartsWith(
        "Could not get reserve slots for file: " + pictures[2]->getFileName() + " ("))
        << dialog->getMessage();
    EXPECT_EQ(dialog->getActionButton()->GetLabel(), "Rent More Slots");
    EXPECT_EQ(pictures[0]->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
    EXPECT_EQ(pictures[1]->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
    EXPECT_EQ(pictures[2]->getSafeStorageType(), 0);
    EXPECT_EQ(dialog->getWaitingCount(), 1u);
    shootIfAsked(*dialog, "safestorage-refused");
}

TEST_F(SafeStorageTest, PicturesOf2GigabytesAreRefusedBeforeAnythingIsReserved)
{
    start(10);
    const Files pictures = album({500});
    pictures[0]->setFileSize(int64_t{3} << 30);
    dialog = new SafeStorageDialog(nullptr, pictures, configuration, hooks, &settings);
    EXPECT_TRUE(dialog->getMessage().Contains("is too large for safe storage"))
        << dialog->getMessage();
    EXPECT_FALSE(dialog->getActionButton()->IsEnabled());
    EXPECT_FALSE(dialog->isBusy());
    EXPECT_EQ(journalled("getSlotStatus"), 0u);
}

TEST_F(SafeStorageTest, RemovingAsksThenReleasesTheSlots)
{
    start(10);
    const Files pictures = album({2500, 1500, 500});
    storeThroughDialog(pictures);
    useCommands();
    wxString title;
    wxString question;
    // "No" leaves everything as it was.
    wxTEST_DIALOG(commands->remove({pictures[0], pictures[1]}),
                  ExpectMessageBox(title, question, wxID_NO));
    EXPECT_EQ(title, "Remove files from safe storage?");
    EXPECT_EQ(question, "Do you wish to remove the selected 2 files from safe storage?");
    EXPECT_FALSE(commands->isBusy());

    wxTEST_DIALOG(commands->remove({pictures[0], pictures[1]}),
                  ExpectMessageBox(title, question, wxID_YES));
    // The release runs in a progress window of its own, which goes when it is done.
    ASSERT_NE(commands->getProgressDialog(), nullptr);
    EXPECT_TRUE(commands->getProgressDialog()->IsShown());
    EXPECT_EQ(commands->getProgressDialog()->GetTitle(), "Remove from Safe Storage");
    EXPECT_EQ(commands->getProgressDialog()->getMessage(),
              "Removing 2 pictures from safe storage.");
    ASSERT_TRUE(waitUntil([this] { return !commands->isBusy(); }));
    EXPECT_EQ(commands->getProgressDialog(), nullptr);
    EXPECT_EQ(pictures[0]->getSafeStorageType(), 0);
    EXPECT_EQ(pictures[1]->getSafeStorageType(), 0);
    EXPECT_EQ(pictures[0]->getSafeStorageAccountId(), "");
    EXPECT_EQ(pictures[2]->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
    EXPECT_EQ(providerSlots().freeLeasedSlots, 9);
    EXPECT_EQ(changes, 1);

    wxTEST_DIALOG(commands->remove({pictures[2]}), ExpectMessageBox(title, question, wxID_YES));
    EXPECT_EQ(title, "Remove file from safe storage?");
    EXPECT_EQ(question, "Do you wish to remove the selected file from safe storage?");
    ASSERT_TRUE(waitUntil([this] { return !commands->isBusy(); }));
    EXPECT_EQ(pictures[2]->getSafeStorageType(), 0);
}

TEST_F(SafeStorageTest, ATruncatedReplaceLeavesTheLocalPictureUnchanged)
{
    start(10);
    const Files pictures = album({2500});
    storeThroughDialog(pictures);
    upload(pictures[0]);
    const wxString local = files->getLocalPath(*pictures[0]);
    const std::string original = readFile(local);
    const std::string edited(1800, 'e');
    writeFile(local, edited);
    useCommands();

    startProvider("[provider]\nslotsize = 1000\n[faults]\nrule = GET /download/* | truncate "
                  "100 | 1\n");
    wxString title;
    wxString question;
    wxString errorTitle;
    wxString error;
    wxTEST_DIALOG(
        {
            commands->replace(pictures);
            ASSERT_TRUE(waitUntil([this] { return !commands->isBusy(); }));
        },
        ExpectMessageBox(title, question, wxID_YES), ExpectMessageBox(errorTitle, error, wxID_OK));
    EXPECT_EQ(title, "Replace from Safe Storage");
    EXPECT_EQ(errorTitle, "Safe Storage Error");
    EXPECT_TRUE(error.Contains("Error downloading file")) << error;
    EXPECT_EQ(readFile(local), edited);
    EXPECT_EQ(pictures[0]->getSafeStorageRevision(), 0);
    wxArrayString beside;
    EXPECT_EQ(wxDir::GetAllFiles(wxFileName(local).GetPath(), &beside, wxEmptyString,
                                 wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN),
              1u);

    startProvider("[provider]\nslotsize = 1000\n");
    wxTEST_DIALOG(commands->replace(pictures), ExpectMessageBox(title, question, wxID_YES));
    ASSERT_TRUE(waitUntil([this] { return !commands->isBusy(); }));
    EXPECT_EQ(readFile(local), original);
    EXPECT_EQ(pictures[0]->getFileSize(), 2500);
    EXPECT_EQ(pictures[0]->getFileModifyTime(), pictures[0]->getSafeStorageRevision());
    EXPECT_EQ(wxFileName(local).GetModificationTime().GetTicks(), pictures[0]->getFileModifyTime());
}

// Cancel while the second of three releases hangs: the first stays released and unmarked,
// the others keep their status, and no failure is reported for the stop.
TEST_F(SafeStorageTest, CancellingARemovalKeepsWhatWasReleasedUnmarked)
{
    const Files pictures = album({500, 500, 500});
    StorageProgressDialog* progress = removeUntil(
        pictures, "rule = storage/releaseSlots | delay 0 | 1\n", "Releasing slots for file 2 of 3");
    ASSERT_NE(progress, nullptr);
    EXPECT_TRUE(progress->getCancelButton()->IsEnabled());
    shootIfAsked(*progress, "safestorage-remove-progress");
    pressButton(progress->getCancelButton());
    ASSERT_TRUE(waitUntil([this] { return !commands->isBusy(); }));
    EXPECT_EQ(commands->getProgressDialog(), nullptr);
    EXPECT_EQ(pictures[0]->getSafeStorageType(), 0);
    EXPECT_EQ(pictures[1]->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
    EXPECT_EQ(pictures[2]->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
    EXPECT_EQ(changes, 1);
}

// An orderly exit closes the progress window as it does every window (Close(true)): it goes at
// once, stopping the hanging step, and nothing is left running.
TEST_F(SafeStorageTest, AnOrderlyExitClosesTheProgressWindowAndStopsItsStep)
{
    const Files pictures = album({500});
    StorageProgressDialog* progress =
        removeUntil(pictures, std::string(), "Releasing slots for file 1 of 1");
    ASSERT_NE(progress, nullptr);
    const auto started = std::chrono::steady_clock::now();
    progress->Close(true);
    ASSERT_TRUE(waitUntil([this] { return !commands->isBusy(); }));
    EXPECT_LT(std::chrono::steady_clock::now() - started, 5s);
    EXPECT_EQ(commands->getProgressDialog(), nullptr);
    // The release was stopped before the service answered: the picture is still stored.
    EXPECT_EQ(pictures[0]->getSafeStorageType(), StorageClient_3_0::RENTED_STORAGE);
}

// The server's copy is a picture of another size than the local one: the catalogue takes it.
TEST_F(SafeStorageTest, AReplacedPictureTakesTheSizeOfItsCopy)
{
    start(10);
    const Files pictures = album({2500});
    const wxString local = files->getLocalPath(*pictures[0]);
    TestPictures::writeJpeg(local, 64, 48);
    storeThroughDialog(pictures);
    upload(pictures[0]);
    // Turned since, and not yet sent.
    TestPictures::writeJpeg(local, 48, 64);
    pictures[0]->setImageWidth(48);
    pictures[0]->setImageHeight(64);
    files->getFolder(pictures[0]->getURI())->saveFileMetadata(*pictures[0]);
    useCommands();
    wxString title;
    wxString question;
    wxTEST_DIALOG(commands->replace(pictures), ExpectMessageBox(title, question, wxID_YES));
    ASSERT_NE(commands->getProgressDialog(), nullptr);
    EXPECT_EQ(commands->getProgressDialog()->GetTitle(), "Replace from Safe Storage");
    ASSERT_TRUE(waitUntil([this] { return !commands->isBusy(); }));
    const wxString where = "FROM file WHERE uri = '" + pictures[0]->getURI() + "'";
    Brenmarle::Database& catalogue = Brenmarle::Database::getInstance();
    EXPECT_EQ(catalogue.getTexts("SELECT imagewidth " + where), std::vector<wxString>{"64"});
    EXPECT_EQ(catalogue.getTexts("SELECT imageheight " + where), std::vector<wxString>{"48"});
    EXPECT_EQ(pictures[0]->getImageWidth(), 64);
}

TEST_F(SafeStorageTest, TheStatusShowsSlotsInUseAndSubscriptions)
{
    start(25);
    storeThroughDialog(album({2500}));
    auto* status = new SubscriptionsDialog(nullptr, configuration, &settings);
    status->Show();
    EXPECT_EQ(status->GetTitle(), "Safe Storage Status");
    ASSERT_TRUE(waitUntil([status] { return !status->isBusy(); }));
    EXPECT_EQ(status->getMessage(), "3 of 25 picture slots are in use");
    ASSERT_EQ(status->getList()->GetItemCount(), 1);
    EXPECT_EQ(status->getList()->GetItemText(0, 0), "25 picture slots");
    EXPECT_EQ(status->getList()->GetItemText(0, 1), "EUR 0.00");
    EXPECT_EQ(status->getList()->GetItemText(0, 2), "No expiration");
    shootIfAsked(*status, "safestorage-status");
    status->Destroy();

    startProvider("[faults]\nrule = storage/getActiveSubscriptions | fault Server.Busy Later | "
                  "1\n");
    status = new SubscriptionsDialog(nullptr, configuration, &settings);
    ASSERT_TRUE(waitUntil([status] { return !status->isBusy(); }));
    EXPECT_TRUE(status->getMessage().StartsWith("Error download list of active subscriptions ("))
        << status->getMessage();
    EXPECT_TRUE(status->getMessage().Contains("SoapServer.Busy: Later")) << status->getMessage();
    EXPECT_EQ(status->getList()->GetItemCount(), 0);
    status->Destroy();
}

TEST_F(SafeStorageTest, StoringNeedsAnAccountAndPicturesOfAlbums)
{
    startProvider();
    const Files pictures = album({500, 500});
    useCommands();
    wxString title;
    wxString message;
    wxTEST_DIALOG(commands->add(pictures), ExpectMessageBox(title, message, wxID_NO));
    EXPECT_EQ(title, "Account needed for safe storage!");
    EXPECT_EQ(message, "You need to register an account to use the safe storage function");

    // Registering from there goes on with the pictures of the user's own folder: refused.
    commandHooks.registerAccount = [this] {
        Brenmarle::AccountSettings::store(configuration, anna());
        return true;
    };
    useCommands();
    home.writeFile("Pictures/own.jpg", "own");
    const Files own = {files->getFile("file://" + home.path() + "Pictures/own.jpg")};
    wxString errorTitle;
    wxTEST_DIALOG(commands->add(own), ExpectMessageBox(title, message, wxID_YES),
                  ExpectMessageBox(errorTitle, message, wxID_OK));
    EXPECT_EQ(errorTitle, "Safe Storage Error");
    EXPECT_EQ(message, "Safe storage only works with files in albums or in the inbox.");

    // Every picture stored already: the emblems are explained instead.
    for (const auto& picture : pictures)
        SafeStorageAccount::setStatus(*picture, 1, anna().accountId);
    wxTEST_DIALOG(commands->add(pictures), ExpectAlreadySafe(title));
    EXPECT_EQ(title, "Already Marked for Safe Storage");
    EXPECT_EQ(journalled("getSlotStatus"), 0u);
}

TEST(AlreadySafeDialog, CountsEachStateInSingularOrPlural)
{
    using Selection = Brenmarle::SafeStorageSelection;
    auto picture = [](int32_t type, int32_t revision, int32_t fileTime) {
        Selection::Picture value;
        value.storageType = type;
        value.accountId = "a";
        value.revision = revision;
        value.fileModifyTime = fileTime;
        return value;
    };
    EXPECT_EQ(AlreadySafeDialog::lines(Selection({picture(1, 10, 10)}, "a")),
              std::vector<wxString>{"1 selected file is safely stored!"});
    EXPECT_EQ(AlreadySafeDialog::lines(
                  Selection({picture(1, 10, 10), picture(2, 10, 5), picture(1, 10, 20),
                             picture(1, 0, 5), picture(1, 0, 5), picture(1, 0, 9)},
                            "a")),
              (std::vector<wxString>{"2 selected files are safely stored!",
                                     "1 selected file will soon be updated!",
                                     "3 selected files are awating safe storage!"}));
    EXPECT_EQ(AlreadySafeDialog::lines(Selection({picture(1, 0, 1)}, "a")),
              std::vector<wxString>{"1 selected file is awaiting safe storage!"});
    EXPECT_EQ(AlreadySafeDialog::lines(Selection({picture(1, 5, 9), picture(1, 5, 9)}, "a")),
              std::vector<wxString>{"2 selected files will soon be updated!"});
}

TEST_F(SafeStorageTest, StoredPicturesWarnBeforeDeletingAndInTheirAlbum)
{
    start(10);
    const Files pictures = album({500, 500}, true);
    EXPECT_EQ(SafeStorageCommands::deleteQuestion(pictures, "usual"), "usual");
    SafeStorageAccount::setStatus(*pictures[1], 1, anna().accountId);
    EXPECT_EQ(SafeStorageCommands::deleteQuestion(pictures, "usual"),
              "WARNING: The file you are about to delete will also be REMOVED FROM SAFE STORAGE. "
              "Please confirm that you wish to do this.");

    // The page asks the program's configuration for the account.
    const ProgramConfiguration current(configuration);
    auto* frame = new wxFrame(nullptr, wxID_ANY, "albums");
    auto* page = new MyAlbumsPage(frame);
    frame->Show();
    page->chooseAlbum(summer->getURI());
    const wxString warning = "Some of your pictures in this album are not safely stored. The "
                             "pictures in question are marked red below for your attention.";
    EXPECT_TRUE(waitUntil([page] { return page->getView()->getFiles().size() == 2; }));
    EXPECT_TRUE(waitUntil([&] { return page->getSafeStorageWarning() == warning; }))
        << page->getSafeStorageWarning();
    EXPECT_TRUE(page->getView()->isMarkingNotSafelyStored());
    shootIfAsked(*frame, "safestorage-album-warning");
    // Once every picture is stored the line goes.
    SafeStorageAccount::setStatus(*pictures[0], 1, anna().accountId);
    EXPECT_TRUE(waitUntil([page] { return page->getSafeStorageWarning().empty(); }));
    EXPECT_FALSE(page->getView()->isMarkingNotSafelyStored());
    frame->Destroy();
}

// The real program with the status dialog open ends on a termination signal, as when the
// desktop session ends.
TEST(SafeStorageProgram, SignalEndsTheProgramWithTheStatusOpen)
{
    ScratchDir home{ScratchDir::AsHome};
    EXPECT_EQ(endOnceLogged({VISTRELLE_BINARY, "--openuri", "app://tools/safestoragestatus"},
                            "[SUBSCRIPTIONSDIALOG] Opened"),
              "");
}

// The real program with the Safe Storage dialog open, reached by "Store Album Safely..." on the
// first album, ends on a termination signal: nothing is marked stored half-way, nothing lost.
TEST_F(SafeStorageTest, SignalEndsTheProgramWithTheSafeStorageDialogOpen)
{
    start(10);
    album({500, 1500});
    const auto before = providerSlots();
    handToProgram();
    home.writeFile("store.vscf", "<commands><openuri>app://go/myalbums</openuri>"
                                 "<openuri>app://tools/storealbumsafely</openuri></commands>");
    // Once the dialog has asked the service for the free slots and shows the answer.
    std::string output;
    EXPECT_EQ(endOnceLogged({VISTRELLE_BINARY, "--command", (home / "store.vscf").ToStdString()},
                            "[SAFESTORAGEDIALOG] Free slots: ", &output),
              "");
    EXPECT_NE(output.find("[SAFESTORAGEDIALOG] Opened with 2 pictures not stored"),
              std::string::npos);
    EXPECT_EQ(catalogueAfterProgram(), std::make_pair(2, 2));
    const auto after = providerSlots();
    EXPECT_EQ(after.leasedFiles + after.purchasedFiles, before.leasedFiles + before.purchasedFiles);
}

// The same with the assistant that rents more slots, opened at its list of packages.
TEST_F(SafeStorageTest, SignalEndsTheProgramWithTheRentSlotsAssistantOpen)
{
    start(1);
    album({500});
    const int leased = providerSlots().leasedSlots;
    handToProgram();
    EXPECT_EQ(endOnceLogged({VISTRELLE_BINARY, "--openuri", "app://tools/rentslots"},
                            " packages offered"),
              "");
    EXPECT_EQ(catalogueAfterProgram(), std::make_pair(1, 1));
    // Nothing was bought, and the account is still the program's.
    EXPECT_EQ(providerSlots().leasedSlots, leased);
    EXPECT_EQ(SafeStorageAccount::accountId(configuration), anna().accountId);
}
