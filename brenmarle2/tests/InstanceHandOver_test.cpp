// Start-up of the real program: the single running instance, the hand-over of a second
// start's command, and shut-down on a termination signal.
#include <gtest/gtest.h>

#include <csignal>

#include <sys/wait.h>
#include <wx/filefn.h>
#include <wx/utils.h>

#include "ChildProcess.h"
#include "ScratchDir.h"
#include "main/InstanceHandOver.h"

using namespace std::chrono_literals;

namespace {

const std::string READY = "Checking directories done";

class InstanceTest : public ::testing::Test {
protected:
    InstanceTest() { wxSetEnv("WXTRACE", "DEBUG"); }
    ~InstanceTest() override { wxUnsetEnv("WXTRACE"); }

    static std::unique_ptr<ChildProcess> start(std::vector<std::string> arguments = {})
    {
        arguments.insert(arguments.begin(), VISTRELLE_BINARY);
        return std::make_unique<ChildProcess>(arguments);
    }
    static int exitCode(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : -1; }

    ScratchDir home{ScratchDir::AsHome};
};

} // namespace

TEST_F(InstanceTest, SecondStartHandsItsCommandToTheFirst)
{
    auto first = start();
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();
    EXPECT_TRUE(wxDirExists(home / ".local/share/vistrelle/temp"));
    EXPECT_TRUE(wxDirExists(home / ".local/share/vistrelle/thumbnails"));

    auto second = start({"--openuri", "app://go/myalbums"});
    const int status = second->waitForExit(3s);
    ASSERT_NE(status, -1) << "second start did not end: " << second->output();
    EXPECT_EQ(exitCode(status), 0) << second->output();

    EXPECT_TRUE(first->waitForOutput("STRING DATA: app://go/myalbums", 5s)) << first->output();
    EXPECT_NE(first->output().find("ITEM: openuri"), std::string::npos);

    first->signal(SIGTERM);
    const int firstStatus = first->waitForExit(5s);
    ASSERT_NE(firstStatus, -1) << "first instance did not stop";
    EXPECT_EQ(exitCode(firstStatus), 0);
    EXPECT_NE(first->output().find("--- Stopped"), std::string::npos) << first->output();
}

TEST_F(InstanceTest, LongAndNonAsciiArgumentsArriveAsText)
{
    auto first = start();
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();

    auto accented = start({"--openuri", "app://go/Bilder/Ærø åse"});
    ASSERT_EQ(exitCode(accented->waitForExit(3s)), 0) << accented->output();
    EXPECT_TRUE(first->waitForOutput("STRING DATA: app://go/Bilder/Ærø åse\n", 5s)) << first->output();

    const std::string longUri = "app://go/" + std::string(2000, 'x');
    auto longer = start({"--openuri", longUri});
    ASSERT_EQ(exitCode(longer->waitForExit(3s)), 0) << longer->output();
    const std::string expected = "STRING DATA: " + longUri.substr(0, 1024) + "\n";
    EXPECT_TRUE(first->waitForOutput(expected, 5s));
}

TEST_F(InstanceTest, KilledInstanceDoesNotBlockTheNextStart)
{
    {
        auto crashed = start();
        ASSERT_TRUE(crashed->waitForOutput(READY, 20s)) << crashed->output();
        crashed->signal(SIGKILL);
        ASSERT_NE(crashed->waitForExit(5s), -1);
    }
    auto next = start();
    ASSERT_TRUE(next->waitForOutput(READY, 20s)) << next->output();
    // It took the channel over: a later start reaches it.
    auto second = start({"--openuri", "app://view/inbox"});
    EXPECT_EQ(exitCode(second->waitForExit(3s)), 0) << second->output();
    EXPECT_TRUE(next->waitForOutput("STRING DATA: app://view/inbox", 5s)) << next->output();
}

TEST_F(InstanceTest, StoppedInstanceDoesNotHangTheSecondStart)
{
    auto stopped = start();
    ASSERT_TRUE(stopped->waitForOutput(READY, 20s)) << stopped->output();
    stopped->signal(SIGSTOP);

    auto next = start({"--openuri", "app://go/mycomputer"});
    EXPECT_TRUE(next->waitForOutput("Could not establish DDE/IPC connection", 6s)) << next->output();
    EXPECT_TRUE(next->waitForOutput("Started with custom command", 20s)) << next->output();
    stopped->signal(SIGCONT);
}

TEST_F(InstanceTest, RemoveDataWithAnotherVersionFails)
{
    auto process = start({"--removedata", "2.4.15"});
    const int status = process->waitForExit(20s);
    ASSERT_NE(status, -1);
    EXPECT_NE(exitCode(status), 0);
    EXPECT_NE(process->output().find("2.4.15 does not match 2.4.16"), std::string::npos)
        << process->output();
}

TEST_F(InstanceTest, CameraCommandSearchesAHandedOverDriveAndOtherwiseAsksForTheCamera)
{
    home.writeFile("card/DCIM/100PHOTO/IMG_0001.JPG", "picture");
    auto drive = start({"--camera", (home / "card").ToStdString() + "\""});
    EXPECT_TRUE(drive->waitForOutput(
        "[IMPORTWIZARD] Import from the computer: " + (home / "card").ToStdString() + "\n", 20s))
        << drive->output();
    drive->signal(SIGTERM);
    ASSERT_NE(drive->waitForExit(10s), -1);

    auto device = start({"--camera", "/StiDevice:{6BDD}"});
    EXPECT_TRUE(device->waitForOutput("[IMPORTWIZARD] Import from a camera", 20s))
        << device->output();
    device->signal(SIGTERM);
    ASSERT_NE(device->waitForExit(10s), -1);
}

TEST(InstanceHandOverPaths, SocketPathFitsTheSocketAddress)
{
    EXPECT_EQ(InstanceHandOver::socketPath("/run/user/1000/", "vistrelle"),
              "/run/user/1000/vistrelle.socket");
    const wxString deep = "/home/user/" + wxString('d', 120) + "/";
    const wxString path = InstanceHandOver::socketPath(deep, "vistrelle");
    EXPECT_LT(path.length(), 108u);
    EXPECT_TRUE(path.StartsWith("/tmp/vistrelle-"));
    EXPECT_EQ(path, InstanceHandOver::socketPath(deep, "vistrelle"));
    EXPECT_NE(path, InstanceHandOver::socketPath(deep + "other/", "vistrelle"));
}
