#include <atomic>

#include "Gate.h"
#include "LogCapture.h"
#include "PhotoLibraryTest.h"
#include "WaitUntil.h"
#include "core/Exceptions.h"
#include "safestorage/SynchronizeManager.h"
#include "service/AccountSettings.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "threads/Task.h"

using namespace Brenmarle;
using Quorvel::Ref;
using Status = SynchronizeManager::Status;

namespace {

const wxString ACCOUNT = "3f2504e0-4f89-11d3-9a0c-0305e82c3301";
const wxString OTHER_ACCOUNT = "9c5b94b1-35ad-49bb-b118-8e8fc24abf80";

// A synchronisation run that waits at the gate (when given) and then succeeds or fails with
// the code it was given.
class FakeRun : public Quorvel::Task {
public:
    FakeRun(Gate* gate, const wxString& failure, std::atomic<bool>* abortSeen)
        : m_gate(gate), m_failure(failure), m_abortSeen(abortSeen)
    {
    }
    void run() override
    {
        setProgress("Downloading list of folders from server...", 1, 3);
        notifyProgress();
        if (m_gate)
            m_gate->pass([this] { return isAborted(); });
        checkAbort();
        if (m_failure == "Network.ConnectionError")
            throw Quorvel::ConnectionException("Could not connect to storage.example");
        if (!m_failure.empty())
            throw Quorvel::ResponseException(m_failure, "The server refused the folder list");
    }

protected:
    void onAbort() override
    {
        m_abortSeen->store(true);
        if (m_gate)
            m_gate->wake();
    }

private:
    Gate* m_gate;
    wxString m_failure;
    std::atomic<bool>* m_abortSeen;
};

class SynchronizeManagerTest : public PhotoLibraryTest {
protected:
    SynchronizeManagerTest() { logIn(ACCOUNT); }

    void logIn(const wxString& accountId)
    {
        AccountSettings::store(configuration,
                               {accountId, "anna@example.org", "secret", "demo", "Demo"});
    }

    std::unique_ptr<SynchronizeManager> makeManager()
    {
        auto sync = std::make_unique<SynchronizeManager>(
            configuration, Database::getInstance(), [this]() -> Ref<Quorvel::Task> {
                ++runs;
                return Quorvel::makeRef<FakeRun>(gate.get(), failure, &abortSeen);
            });
        sync->setErrorReporter([this](const wxString& text) { reported.push_back(text); });
        sync->Bind(SYNCHRONIZE_STATUS, [this](wxCommandEvent&) { ++statusEvents; });
        sync->addListener(sync.get(), 0);
        return sync;
    }

    int storedLevel()
    {
        int level = -1;
        configuration.getUserConfig().readInt(SynchronizeManager::LEVEL_KEY, level, -1);
        return level;
    }

    // Runs the timer's expiry and waits for the run it starts to end.
    bool runOnce(SynchronizeManager& sync)
    {
        sync.expire();
        return waitUntil([&sync] { return !sync.isRunning(); });
    }

    // A picture stored in safe storage under `account`, last synchronised at time 1000.
    Ref<File> storedPicture(const wxString& account = ACCOUNT)
    {
        auto file = Quorvel::makeRef<File>("inbox://0f8fad5b-d9cb-469f-a165-70867728950e.jpg");
        file->setSafeStorageType(1);
        file->setSafeStorageAccountId(account);
        file->setSafeStorageRevision(1000);
        file->setFileModifyTime(1000);
        file->setMetaModifyTime(1000);
        return file;
    }

    void changed(SynchronizeManager& sync, const Ref<File>& file)
    {
        FileEvent event(FILE_CHANGED, file);
        sync.ProcessEvent(event);
    }

    Quorvel::Configuration configuration;
    std::unique_ptr<Gate> gate;
    wxString failure;
    int runs = 0;
    int statusEvents = 0;
    std::atomic<bool> abortSeen{false};
    std::vector<wxString> reported;
};

} // namespace

TEST_F(SynchronizeManagerTest, LevelsOnlyRiseExceptToZeroAndPickTheTimersDelay)
{
    auto sync = makeManager();
    EXPECT_EQ(sync->getLevel(), 0);
    EXPECT_FALSE(sync->isTimerArmed());
    EXPECT_EQ(sync->getStatus(), Status::Idle);

    sync->setLevel(3);
    EXPECT_EQ(sync->getTimerDelayMs(), 180 * 1000);
    EXPECT_TRUE(sync->isTimerArmed());
    EXPECT_EQ(sync->getStatus(), Status::Scheduled);
    sync->setLevel(2);
    EXPECT_EQ(sync->getLevel(), 3) << "a lower level never lowers it";
    sync->setLevel(4);
    EXPECT_EQ(sync->getTimerDelayMs(), 10 * 1000);
    sync->synchronizeNow();
    EXPECT_EQ(sync->getLevel(), 5);
    EXPECT_EQ(sync->getTimerDelayMs(), 2 * 1000);
    EXPECT_EQ(storedLevel(), 5);
    sync->setLevel(0);
    EXPECT_FALSE(sync->isTimerArmed());
    EXPECT_EQ(storedLevel(), 0);
    sync->setLevel(1);
    EXPECT_FALSE(sync->isTimerArmed()) << "level 1 schedules nothing";
    sync->setLevel(2);
    EXPECT_EQ(sync->getTimerDelayMs(), 600 * 1000);
    EXPECT_GE(statusEvents, 7);

    EXPECT_THROW(sync->setLevel(6), Quorvel::LogicException);
    EXPECT_THROW(sync->setLevel(-1), Quorvel::LogicException);
    EXPECT_EQ(sync->getLevel(), 2);
}

TEST_F(SynchronizeManagerTest, ThePendingLevelSurvivesARestartButAHostileValueDoesNot)
{
    makeManager()->setLevel(4);
    configuration.flushUserConfig();
    auto again = makeManager();
    EXPECT_EQ(again->getLevel(), 4);
    EXPECT_EQ(again->getTimerDelayMs(), 10 * 1000);
    again.reset();

    configuration.getUserConfig().writeInt(SynchronizeManager::LEVEL_KEY, 99);
    EXPECT_EQ(makeManager()->getLevel(), 0);
    EXPECT_EQ(storedLevel(), 0);
}

TEST_F(SynchronizeManagerTest, WithoutAnAccountNothingIsTimedUntilTheUserLogsIn)
{
    AccountSettings::logOut(configuration);
    auto sync = makeManager();
    sync->synchronizeNow();
    EXPECT_EQ(sync->getLevel(), 5);
    EXPECT_FALSE(sync->isTimerArmed());
    EXPECT_EQ(sync->getStatus(), Status::Idle);
    sync->expire();
    EXPECT_EQ(runs, 0);
    // A stored picture's edit means nothing without an account.
    sync->setLevel(0);
    changed(*sync, storedPicture());
    EXPECT_EQ(sync->getLevel(), 0);

    sync->synchronizeNow();
    logIn(ACCOUNT);
    sync->accountChanged();
    EXPECT_EQ(sync->getLevel(), 0) << "what was due belonged to no account";
    sync->synchronizeNow();
    EXPECT_TRUE(sync->isTimerArmed());
}

TEST_F(SynchronizeManagerTest, ASuccessfulRunReturnsToIdle)
{
    LogCapture log;
    auto sync = makeManager();
    sync->synchronizeNow();
    ASSERT_TRUE(runOnce(*sync));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(sync->getLevel(), 0);
    EXPECT_FALSE(sync->isTimerArmed());
    EXPECT_EQ(sync->getStatus(), Status::Succeeded);
    EXPECT_EQ(storedLevel(), 0);
    EXPECT_TRUE(reported.empty());
    EXPECT_LT(log.find("[SYNCHRONIZEMANAGER: Start synchronization task NOW!"),
              log.find("[SYNCHRONIZEMANAGER: Success!"));
    EXPECT_TRUE(log.contains("[SYNCHRONIZEMANAGER: Success!"));
}

TEST_F(SynchronizeManagerTest, AFailureIsReportedAndRetriedInTenMinutes)
{
    LogCapture log;
    failure = "Server.FolderList";
    auto sync = makeManager();
    sync->synchronizeNow();
    ASSERT_TRUE(runOnce(*sync));
    EXPECT_TRUE(log.contains("[SYNCHRONIZEMANAGER: Failure!"));
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_EQ(
        reported[0],
        "Error in synchronization (Server.FolderList):\n\nThe server refused the folder list");
    EXPECT_FALSE(sync->isConnectionError());
    EXPECT_EQ(sync->getLevel(), 2) << "not the 5 it failed at: no retry every two seconds";
    EXPECT_EQ(sync->getTimerDelayMs(), 600 * 1000);
    EXPECT_EQ(sync->getStatus(), Status::Failed);

    // No connection is not the user's to acknowledge: it is shown, not reported.
    failure = "Network.ConnectionError";
    sync->synchronizeNow();
    ASSERT_TRUE(runOnce(*sync));
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_TRUE(sync->isConnectionError());
    EXPECT_EQ(sync->getLevel(), 2);
    EXPECT_EQ(sync->getStatus(), Status::Failed);

    // The retry succeeds and clears the failure.
    failure.clear();
    ASSERT_TRUE(runOnce(*sync));
    EXPECT_EQ(sync->getStatus(), Status::Succeeded);
    EXPECT_EQ(runs, 3);
}

TEST_F(SynchronizeManagerTest, ChangesDuringARunAreScheduledAfterItAndStartNoSecondRun)
{
    gate = std::make_unique<Gate>();
    auto sync = makeManager();
    sync->synchronizeNow();
    sync->expire();
    ASSERT_TRUE(gate->waitForArrivals());
    EXPECT_EQ(sync->getStatus(), Status::Running);
    ASSERT_TRUE(waitUntil(
        [&] { return sync->getProgressText() == "Downloading list of folders from server..."; }));

    Ref<File> picture = storedPicture();
    picture->setFileModifyTime(2000);
    changed(*sync, picture);
    EXPECT_EQ(sync->getLevel(), 4);
    sync->expire();
    EXPECT_EQ(runs, 1) << "one run at a time";

    gate->open();
    ASSERT_TRUE(waitUntil([&] { return !sync->isRunning(); }));
    EXPECT_EQ(sync->getLevel(), 4) << "the edit came too late for the run that ended";
    EXPECT_EQ(sync->getTimerDelayMs(), 10 * 1000);
    EXPECT_EQ(sync->getStatus(), Status::Scheduled);
}

TEST_F(SynchronizeManagerTest, PauseHoldsRunsBackUntilTheTimerIsArmedAgain)
{
    auto sync = makeManager();
    sync->setLevel(3);
    sync->pause();
    EXPECT_TRUE(sync->isPaused());
    EXPECT_FALSE(sync->isTimerArmed());
    EXPECT_EQ(sync->getStatus(), Status::Paused);
    sync->expire();
    EXPECT_EQ(runs, 0);
    sync->resume();
    EXPECT_FALSE(sync->isPaused());
    EXPECT_EQ(sync->getTimerDelayMs(), 180 * 1000);

    // Any new change arms the timer again, and with it ends the pause.
    sync->pause();
    changed(*sync, [this] {
        Ref<File> picture = storedPicture();
        picture->setMetaModifyTime(2000);
        return picture;
    }());
    EXPECT_FALSE(sync->isPaused());
    EXPECT_TRUE(sync->isTimerArmed());
}

TEST_F(SynchronizeManagerTest, PausingARunAbortsItAndKeepsItDue)
{
    LogCapture log;
    gate = std::make_unique<Gate>();
    auto sync = makeManager();
    sync->synchronizeNow();
    sync->expire();
    ASSERT_TRUE(gate->waitForArrivals());
    sync->pause();
    ASSERT_TRUE(waitUntil([&] { return !sync->isRunning(); }));
    EXPECT_TRUE(log.contains("[SYNCHRONIZEMANAGER: Abort!"));
    EXPECT_EQ(sync->getLevel(), 5);
    EXPECT_EQ(sync->getStatus(), Status::Paused);
    EXPECT_FALSE(sync->isTimerArmed());
    EXPECT_TRUE(reported.empty());
}

// At exit the run under way is stopped, not waited out, and what it did not do stays due.
TEST_F(SynchronizeManagerTest, GoingAwayDuringARunAbortsItQuietlyAndKeepsItDue)
{
    LogCapture log;
    gate = std::make_unique<Gate>();
    auto sync = makeManager();
    sync->synchronizeNow();
    sync->expire();
    ASSERT_TRUE(gate->waitForArrivals());
    sync.reset();
    EXPECT_TRUE(abortSeen.load());
    waitUntil([] { return true; });
    EXPECT_FALSE(log.contains("[SYNCHRONIZEMANAGER: Abort!")) << "nobody is left to tell";
    EXPECT_EQ(storedLevel(), 5);
}

TEST_F(SynchronizeManagerTest, EditsOfStoredPicturesRaiseTheLevelByWhatChanged)
{
    auto sync = makeManager();
    Ref<File> picture = storedPicture();
    changed(*sync, picture);
    EXPECT_EQ(sync->getLevel(), 0) << "nothing newer than the last synchronisation";

    picture->setMetaModifyTime(1001);
    changed(*sync, picture);
    EXPECT_EQ(sync->getLevel(), 3);
    picture->setFileModifyTime(1001);
    changed(*sync, picture);
    EXPECT_EQ(sync->getLevel(), 4);

    // Never synchronised: all of it is new.
    sync->setLevel(0);
    Ref<File> fresh = storedPicture();
    fresh->setSafeStorageRevision(0);
    changed(*sync, fresh);
    EXPECT_EQ(sync->getLevel(), 4);

    // Not stored, or stored under another account: none of this account's business.
    sync->setLevel(0);
    Ref<File> plain = storedPicture();
    plain->setSafeStorageType(0);
    plain->setFileModifyTime(5000);
    changed(*sync, plain);
    Ref<File> foreign = storedPicture(OTHER_ACCOUNT);
    foreign->setFileModifyTime(5000);
    changed(*sync, foreign);
    EXPECT_EQ(sync->getLevel(), 0);
}

// A caption edited while an immediate run is pending puts the run off to the edit's delay.
TEST_F(SynchronizeManagerTest, AnEditPutsOffAPendingImmediateRun)
{
    auto sync = makeManager();
    sync->synchronizeNow();
    Ref<File> picture = storedPicture();
    picture->setMetaModifyTime(2000);
    changed(*sync, picture);
    EXPECT_EQ(sync->getLevel(), 3);
    EXPECT_EQ(sync->getTimerDelayMs(), 180 * 1000);
}

// The catalogue's own move and deletion reach the manager through the file manager.
TEST_F(SynchronizeManagerTest, MovingOrDeletingAStoredPictureSchedulesTheJournal)
{
    auto sync = makeManager();
    Ref<File> source = manager->getFile(makeComputerPicture("Pictures/a.jpg"));
    Ref<File> picture = manager->getFolder("inbox://")->copyFileIn(*source);
    picture->setSafeStorageType(2);
    picture->setSafeStorageAccountId(ACCOUNT);
    Ref<AlbumFolder> album = makeAlbum("Trip");
    album->moveFileIn(*picture);
    ASSERT_TRUE(waitUntil([&] { return sync->getLevel() == 3; }));
    ASSERT_EQ(Database::getInstance().getSafeStorageOps().size(), 1u);

    sync->synchronizeNow();
    album->deleteFile(*picture);
    ASSERT_TRUE(waitUntil([&] { return sync->getLevel() == 3; }));
    EXPECT_EQ(Database::getInstance().getSafeStorageOps().at(0).type,
              Database::SafeStorageOp::DELETE);
}

TEST_F(SynchronizeManagerTest, TheJournalIsDroppedWhenTheAccountChanges)
{
    auto sync = makeManager();
    Database& database = Database::getInstance();
    const wxString uri = "album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/a.jpg";
    database.addSafeStorageOp(Database::SafeStorageOp::DELETE, uri);
    sync->setLevel(3);

    // Logging in again to the same account changes nothing.
    logIn(ACCOUNT);
    sync->accountChanged();
    EXPECT_EQ(database.getSafeStorageOps().size(), 1u);
    EXPECT_EQ(sync->getLevel(), 3);

    logIn(OTHER_ACCOUNT);
    sync->accountChanged();
    EXPECT_TRUE(database.getSafeStorageOps().empty());
    EXPECT_EQ(sync->getLevel(), 0);

    database.addSafeStorageOp(Database::SafeStorageOp::DELETE, uri);
    sync->setLevel(3);
    AccountSettings::logOut(configuration);
    sync->accountChanged();
    EXPECT_TRUE(database.getSafeStorageOps().empty());
    EXPECT_EQ(sync->getLevel(), 0);
    EXPECT_FALSE(sync->isTimerArmed());
}

TEST_F(SynchronizeManagerTest, NoTaskToRunLeavesTheLevelDue)
{
    auto sync = std::make_unique<SynchronizeManager>(configuration, Database::getInstance(),
                                                     SynchronizeManager::TaskFactory());
    sync->synchronizeNow();
    sync->expire();
    EXPECT_FALSE(sync->isRunning());
    EXPECT_EQ(sync->getLevel(), 5);
}
