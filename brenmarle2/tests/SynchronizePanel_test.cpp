#include <algorithm>
#include <csignal>

#include <wx/hyperlink.h>
#include <wx/menu.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>

#include "ChildProcess.h"
#include "ExpectMessageBox.h"
#include "Gate.h"
#include "PhotoLibraryTest.h"
#include "ScratchDir.h"
#include "Screenshot.h"
#include "WaitUntil.h"
#include "dialogs/registeraccountdialog/RegisterAccountDialog.h"
#include "mainframe/CommandIds.h"
#include "mainframe/MainFrame.h"
#include "safestorage/SynchronizeManager.h"
#include "safestorage/SynchronizePanel.h"
#include "service/AccountSettings.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "ui/Accessibility.h"

using namespace Brenmarle;
using namespace std::chrono_literals;

namespace {

// A run that fails with `failure` when it is not empty.
class OutcomeRun : public Quorvel::Task {
public:
    explicit OutcomeRun(const wxString& failure) : m_failure(failure) {}
    void run() override
    {
        if (m_failure == "Network.ConnectionError")
            throw Quorvel::ConnectionException("Could not connect");
        if (!m_failure.empty())
            throw Quorvel::ResponseException(m_failure, "Refused");
    }

private:
    wxString m_failure;
};

class SynchronizePanelTest : public PhotoLibraryTest {
protected:
    SynchronizePanelTest()
    {
        Quorvel::Configuration::set(&configuration);
        AccountSettings::store(configuration, {"3f2504e0-4f89-11d3-9a0c-0305e82c3301",
                                               "anna@example.org", "secret", "demo", "Demo"});
        sync = std::make_unique<SynchronizeManager>(configuration, Database::getInstance(), [this] {
            return Quorvel::Ref<Quorvel::Task>(Quorvel::makeRef<OutcomeRun>(failure));
        });
        sync->setErrorReporter([](const wxString&) {});
        frame = new MainFrame("Vistrelle");
        frame->setSynchronizeManager(sync.get());
        frame->Show();
        panel = frame->getSynchronizePanel();
    }
    ~SynchronizePanelTest() override
    {
        if (frame) {
            frame->setSynchronizeManager(nullptr);
            frame->Close(true);
            waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
        }
        sync.reset();
        Quorvel::Configuration::set(nullptr);
    }

    void click(wxHyperlinkCtrl* link)
    {
        ASSERT_TRUE(link->IsShown()) << link->GetLabel();
        wxHyperlinkEvent event(link, link->GetId(), link->GetURL());
        link->ProcessWindowEvent(event);
    }
    // The links shown, in order.
    std::vector<wxString> links() const
    {
        std::vector<wxString> shown;
        for (wxHyperlinkCtrl* link : {panel->getStartNowLink(), panel->getPauseLink(),
                                      panel->getResumeLink(), panel->getRetryLink()})
            if (link->IsShown())
                shown.push_back(link->GetLabel());
        return shown;
    }
    void expectNamed(const wxString& shot)
    {
        shootIfAsked(*frame, "synchronize-panel-" + shot);
        const auto unnamed = Quorvel::findUnnamedControls(*panel);
        EXPECT_TRUE(unnamed.empty()) << shot << ": " << unnamed.at(0);
    }
    bool run()
    {
        sync->expire();
        return waitUntil([this] { return !sync->isRunning(); });
    }

    Quorvel::Configuration configuration;
    std::unique_ptr<SynchronizeManager> sync;
    MainFrame* frame = nullptr;
    SynchronizePanel* panel = nullptr;
    wxString failure;
};

} // namespace

TEST_F(SynchronizePanelTest, TheLineFollowsTheSynchronizationAndItsLinksActOnIt)
{
    ASSERT_NE(panel, nullptr);
    EXPECT_FALSE(panel->IsShown()) << "nothing to tell yet";

    sync->setLevel(3);
    EXPECT_TRUE(panel->IsShownOnScreen());
    EXPECT_EQ(panel->getHeading(), "Synchronization scheduled");
    EXPECT_EQ(panel->getDetail(), "Will start in a few minutes");
    EXPECT_EQ(links(), (std::vector<wxString>{"Start now", "Pause"}));
    expectNamed("scheduled");
    sync->setLevel(4);
    EXPECT_EQ(panel->getDetail(), "Will start very soon");

    click(panel->getStartNowLink());
    EXPECT_EQ(sync->getLevel(), 5);
    EXPECT_EQ(panel->getDetail(), "Will start immediately");

    click(panel->getPauseLink());
    EXPECT_TRUE(sync->isPaused());
    EXPECT_EQ(panel->getHeading(), "Synchronization needed");
    EXPECT_EQ(panel->getDetail(), "Paused by user");
    EXPECT_EQ(links(), (std::vector<wxString>{"Resume synchronization"}));
    expectNamed("paused");
    click(panel->getResumeLink());
    EXPECT_FALSE(sync->isPaused());
    EXPECT_EQ(panel->getHeading(), "Synchronization scheduled");

    failure = "Network.ConnectionError";
    ASSERT_TRUE(run());
    EXPECT_EQ(panel->getHeading(), "Synchronization error!");
    EXPECT_EQ(panel->getDetail(), "Will try again later");
    EXPECT_EQ(panel->getNote(), "Connection error");
    EXPECT_EQ(links(), (std::vector<wxString>{"Retry now"}));
    expectNamed("failed");
    // A screen reader meets the same words and the link by its name.
    // (The bus follows the window once the toolkit has mapped what was shown.)
    std::vector<wxString> read;
    waitUntil([&] {
        read.clear();
        for (const Quorvel::AccessibleNode& node : Quorvel::readAccessibleTree(*frame))
            read.push_back(node.name);
        return std::find(read.begin(), read.end(), "Retry now") != read.end();
    });
    for (const char* name :
         {"Synchronization error!", "Will try again later", "Connection error", "Retry now"})
        EXPECT_NE(std::find(read.begin(), read.end(), name), read.end()) << name;
    EXPECT_EQ(std::find(read.begin(), read.end(), "Start now"), read.end()) << "hidden";
    failure = "Server.Fault";
    click(panel->getRetryLink());
    EXPECT_EQ(sync->getLevel(), 5);
    ASSERT_TRUE(run());
    EXPECT_EQ(panel->getNote(), "Synchronization error");

    failure.clear();
    ASSERT_TRUE(run());
    EXPECT_EQ(panel->getHeading(), "Chosen photos are now safely stored");
    EXPECT_EQ(panel->getDetail(), "The pictures you have enabled safe storage for have now been "
                                  "updated on our secure server");
    EXPECT_TRUE(links().empty());
    expectNamed("done");

    // Logged out, there is nothing to show.
    AccountSettings::logOut(configuration);
    sync->accountChanged();
    EXPECT_FALSE(panel->IsShown());
}

TEST_F(SynchronizePanelTest, TheCommandSynchronizesNowOrExplainsWhyNot)
{
    frame->updateMenus();
    ASSERT_TRUE(frame->GetMenuBar()->FindItem(ID_SYNC_SAFE_STORAGE)->IsEnabled());
    wxCommandEvent command(wxEVT_MENU, ID_SYNC_SAFE_STORAGE);
    frame->ProcessWindowEvent(command);
    EXPECT_EQ(sync->getLevel(), 5);
    EXPECT_EQ(sync->getTimerDelayMs(), 2000);

    sync->setLevel(0);
    AccountSettings::logOut(configuration);
    sync->accountChanged();
    wxString title;
    wxString message;
    wxTEST_DIALOG(frame->ProcessWindowEvent(command), ExpectMessageBox(title, message, wxID_OK));
    EXPECT_EQ(message, "You need to register an account to use the safe storage function");
    EXPECT_EQ(sync->getLevel(), 0);
}

// The account assistant, answered as a user who logged in to `accountId` and chose whether to
// download the pictures kept in safe storage.
class ExpectLogIn : public wxExpectModalBase<RegisterAccountDialog, ExpectLogIn> {
public:
    ExpectLogIn(Quorvel::Configuration& configuration, const wxString& accountId, bool restore)
        : m_configuration(configuration), m_accountId(accountId), m_restore(restore)
    {
    }

protected:
    int OnInvoked(RegisterAccountDialog* dialog) const override
    {
        AccountSettings::store(m_configuration,
                               {m_accountId, "bob@example.org", "pw", "demo", "Demo"});
        dialog->setRestoreRequested(m_restore);
        return wxID_OK;
    }

private:
    Quorvel::Configuration& m_configuration;
    wxString m_accountId;
    bool m_restore;
};

TEST_F(SynchronizePanelTest, LoggingInWithTheDownloadTickedSynchronizesOnANewJournal)
{
    // As the application does: the manager hears of every account change.
    frame->setAccountListener([this] { sync->accountChanged(); });
    AccountSettings::logOut(configuration);
    sync->accountChanged();
    Database::getInstance().addSafeStorageOp(Database::SafeStorageOp::DELETE,
                                             "album://6f1c4b5e-2c1a-4d8e-9d0b-3b9f1f6a7c21/a.jpg");

    wxTEST_DIALOG(frame->openAccountAssistant(ID_LOGIN),
                  ExpectLogIn(configuration, "9c5b94b1-35ad-49bb-b118-8e8fc24abf80", false));
    EXPECT_EQ(sync->getLevel(), 0);
    EXPECT_TRUE(Database::getInstance().getSafeStorageOps().empty())
        << "what was noted without an account is not sent to this one";

    AccountSettings::logOut(configuration);
    sync->accountChanged();
    wxTEST_DIALOG(frame->openAccountAssistant(ID_LOGIN),
                  ExpectLogIn(configuration, "9c5b94b1-35ad-49bb-b118-8e8fc24abf80", true));
    EXPECT_EQ(sync->getLevel(), 5);
    EXPECT_EQ(sync->getTimerDelayMs(), 2000);
    EXPECT_EQ(panel->getDetail(), "Will start immediately");
}

// The close question's buttons, noted; the user answers `answer`.
class ExpectCloseQuestion : public wxExpectModalBase<wxMessageDialog, ExpectCloseQuestion> {
public:
    ExpectCloseQuestion(std::vector<wxString>& seen, int answer) : m_seen(seen), m_answer(answer) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override
    {
        m_seen = {dialog->GetTitle(), dialog->GetMessage(), dialog->GetOKLabel(),
                  dialog->GetCancelLabel()};
        return m_answer;
    }

private:
    std::vector<wxString>& m_seen;
    int m_answer;
};

TEST_F(SynchronizePanelTest, ClosingWithASynchronizationDueAsksAndCancelKeepsTheProgram)
{
    // Nothing due: no question.
    sync->setLevel(1);
    sync->setLevel(0);
    std::vector<wxString> seen;
    sync->setLevel(3);
    wxTEST_DIALOG(EXPECT_FALSE(frame->Close()), ExpectCloseQuestion(seen, wxID_CANCEL));
    ASSERT_EQ(seen.size(), 4u);
    EXPECT_EQ(seen[0], "Close program without synchronizing?");
    EXPECT_EQ(seen[1],
              "You have made changes to your archive that are not yet reflected in safe "
              "storage.\n\nIf you close the program now, these changes will not be safely stored "
              "until you start the program again and complete the safe storage synchronization."
              "\n\nDo you still wish to close the program now?");
    EXPECT_EQ(seen[2], "Close");
    EXPECT_EQ(seen[3], "Cancel");
    waitUntil([] { return true; });
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(sync->getLevel(), 3);

    wxTEST_DIALOG(frame->Close(), ExpectCloseQuestion(seen, wxID_OK));
    ASSERT_TRUE(waitUntil([] { return wxTopLevelWindows.IsEmpty(); }));
    frame = nullptr;
    // The next start synchronises.
    EXPECT_EQ(SynchronizeManager(configuration, Database::getInstance(), {}).getLevel(), 3);
}

TEST_F(SynchronizePanelTest, ClosingWithNothingDueAsksNothing)
{
    sync->setLevel(1);
    sync->setLevel(0);
    frame->Close();
    ASSERT_TRUE(waitUntil([] { return wxTopLevelWindows.IsEmpty(); }));
    frame = nullptr;
}

// A desktop session ending does not wait on the question: the real program, with a
// synchronisation due at start, ends on a termination signal.
TEST(SynchronizePanelProgram, SignalEndsTheProgramWithASynchronizationDue)
{
    ScratchDir home{ScratchDir::AsHome};
    home.writeFile(".local/share/vistrelle/user.ini",
                   "[Account]\nAccountId=3f2504e0-4f89-11d3-9a0c-0305e82c3301\n"
                   "EmailAddress=anna@example.org\nPortalId=demo\nPortalName=Demo\n"
                   "[SafeStorage]\nSyncLevel=5\n");
    wxSetEnv("WXTRACE", "DEBUG");
    ChildProcess program({VISTRELLE_BINARY});
    wxUnsetEnv("WXTRACE");
    ASSERT_TRUE(
        program.waitForOutput("[SYNCHRONIZEMANAGER] Level 5: synchronizing in 2 seconds", 30s))
        << program.output();
    // The main loop runs: the timer ran out and a run began (it cannot reach the portal).
    ASSERT_TRUE(program.waitForOutput("[SYNCHRONIZEMANAGER: Start synchronization task NOW!", 30s))
        << program.output();
    EXPECT_EQ(program.endOnSignal(SIGTERM, 5s), "");
    EXPECT_EQ(program.output().find("[SYNCHRONIZEPANEL] Close without"), std::string::npos);
    EXPECT_NE(program.output().find("--- Stop synchronization manager"), std::string::npos);
    // Still due at the next start: at once when the run was stopped, or as the retry after a
    // run that failed.
    const std::string settings = home.readFile(".local/share/vistrelle/user.ini");
    EXPECT_TRUE(settings.find("SyncLevel=5") != std::string::npos ||
                settings.find("SyncLevel=2") != std::string::npos)
        << settings;
}
