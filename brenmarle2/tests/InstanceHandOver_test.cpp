// Start-up of the real program: the single running instance, the hand-over of a second
// start's command, and shut-down on a termination signal.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <wx/filefn.h>
#include <wx/utils.h>

#include "ChildProcess.h"
#include "LoopbackHttpServer.h"
#include "RawDatabase.h"
#include "ScratchDir.h"
#include "TestPictures.h"
#include "database/Database.h"
#include "main/InstanceHandOver.h"
#include "service/PortalId.h"

using namespace std::chrono_literals;

namespace {

// The instance answers hand-overs once its main loop runs.
const std::string READY = "Main loop running";

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
    // The catalogue's schema version as another program sees it; -1 when it has none.
    long long catalogueVersion() const
    {
        const wxString path = home / ".local/share/vistrelle/database.db";
        if (!wxFileExists(path))
            return -1;
        try {
            return RawDatabase(path).number("SELECT version FROM metadata");
        } catch (const std::exception&) {
            return -1;
        }
    }

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

TEST_F(InstanceTest, TheProgramDrawsWithoutLoadingAnOpenGlDriver)
{
    auto program = start();
    ASSERT_TRUE(program->waitForOutput(READY, 20s)) << program->output();
    // The toolkit's OpenGL probe would load a GLX vendor library and its driver (with Mesa,
    // LLVM), tens of megabytes of a program that draws in 2D.
    std::ifstream maps("/proc/" + std::to_string(program->pid()) + "/maps");
    ASSERT_TRUE(maps.good());
    std::string line;
    std::size_t lines = 0;
    while (std::getline(maps, line)) {
        ++lines;
        EXPECT_EQ(line.find("libGLX_"), std::string::npos) << line;
        EXPECT_EQ(line.find("libLLVM"), std::string::npos) << line;
    }
    EXPECT_GT(lines, 0u);
    EXPECT_EQ(program->endOnSignal(SIGTERM, 5s), "");
}

TEST_F(InstanceTest, SignalEndsTheProgramWithAPictureWindowAndAnErrorBoxOpen)
{
    // A picture opened from a file manager: its window has no parent.
    TestPictures::writeJpeg(home / "Bilder/ferie.jpg", 64, 48);
    auto first = start({(home / "Bilder/ferie.jpg").utf8_string()});
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();
    ASSERT_TRUE(first->waitForOutput("imageframe show", 20s)) << first->output();
    // A picture that cannot be opened: its error comes in a box.
    auto second = start({(home / "Bilder/missing.jpg").utf8_string()});
    EXPECT_EQ(exitCode(second->waitForExit(3s)), 0) << second->output();
    ASSERT_TRUE(first->waitForOutput("Could not open file", 5s)) << first->output();

    first->signal(SIGTERM);
    const int status = first->waitForExit(5s);
    ASSERT_NE(status, -1) << "the program did not end: " << first->output();
    EXPECT_EQ(exitCode(status), 0);
    EXPECT_NE(first->output().find("--- Stopped"), std::string::npos) << first->output();
}

TEST_F(InstanceTest, SignalEndsTheProgramWhileAWebImportWaitsForASilentHost)
{
    LoopbackHttpServer server;
    LoopbackHttpServer::Response stalled;
    stalled.stall = true;
    server.enqueue(stalled);
    home.writeFile("order.vscf", "<?xml version='1.0'?><commands><webimport>"
                                 "<defaultalbum>Lab</defaultalbum><files><file>" +
                                     server.url("/p/1.jpg").utf8_string() +
                                     "</file></files></webimport></commands>");
    auto first = start({(home / "order.vscf").utf8_string()});
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();
    // The download is under way, and the host says nothing.
    ASSERT_TRUE(server.waitForRequests(1)) << first->output();

    first->signal(SIGTERM);
    const int status = first->waitForExit(5s);
    ASSERT_NE(status, -1) << "the program did not end: " << first->output();
    EXPECT_EQ(exitCode(status), 0);
    EXPECT_NE(first->output().find("--- Stopped"), std::string::npos) << first->output();
}

namespace {

std::string shareCommand(const std::string& host)
{
    return "<?xml version='1.0'?><commands><importshare>"
           "<accesstoken>0123456789abcdef0123456789abcdef</accesstoken><sharedby>Anna</sharedby>"
           "<sharehost>" +
           host +
           "</sharehost><previewsize>640</previewsize><sharemeta>false</sharemeta>"
           "<files><fileid>f1</fileid></files></importshare></commands>";
}

} // namespace

// A share's command file names the host the pictures come from: only the service's hosts are
// taken. A share taken opens its assistant, which a termination signal closes with the rest.
TEST_F(InstanceTest, AShareCommandFileOpensItsAssistantUnlessItNamesAnotherHost)
{
    home.writeFile("evil.vscf", shareCommand("evil.example"));
    auto first = start({(home / "evil.vscf").utf8_string()});
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();
    EXPECT_TRUE(first->waitForOutput("Refused to import a share: The share's host is not one of "
                                     "the service's hosts: evil.example",
                                     5s))
        << first->output();
    EXPECT_EQ(first->output().find("[SHAREIMPORTWIZARD]"), std::string::npos);

    const std::string host = Brenmarle::PortalId::hostOf("demo").utf8_string();
    home.writeFile("share.vscf", shareCommand(host));
    auto second = start({(home / "share.vscf").utf8_string()});
    EXPECT_EQ(exitCode(second->waitForExit(3s)), 0) << second->output();
    ASSERT_TRUE(first->waitForOutput("[SHAREIMPORTWIZARD] Share of 1 files from " + host, 5s))
        << first->output();

    first->signal(SIGTERM);
    const int status = first->waitForExit(5s);
    ASSERT_NE(status, -1) << "the program did not end: " << first->output();
    EXPECT_EQ(exitCode(status), 0);
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

TEST_F(InstanceTest, QuickStartsAtOnceLeaveOneInstanceWithEveryCommand)
{
    // "Open with" on three pictures at a cold start: three processes at the same moment.
    std::vector<std::unique_ptr<ChildProcess>> starts;
    for (const char* uri : {"app://go/1", "app://go/2", "app://go/3"})
        starts.push_back(start({"--openuri", uri}));
    std::vector<int> ended;
    const auto deadline = std::chrono::steady_clock::now() + ChildProcess::scaled(20s);
    while (ended.size() < 2 && std::chrono::steady_clock::now() < deadline) {
        for (size_t i = 0; i < starts.size(); ++i) {
            if (std::find(ended.begin(), ended.end(), int(i)) == ended.end() &&
                starts[i]->waitForExit(20ms) != -1) {
                EXPECT_EQ(exitCode(starts[i]->waitForExit(0ms)), 0) << starts[i]->output();
                ended.push_back(int(i));
            }
        }
    }
    ASSERT_EQ(ended.size(), 2u) << "a second instance kept running";
    const int instance = 3 - ended[0] - ended[1];
    ChildProcess& running = *starts[instance];
    for (int i : ended) {
        const std::string uri = "app://go/" + std::to_string(i + 1);
        EXPECT_TRUE(running.waitForOutput("STRING DATA: " + uri, 5s)) << running.output();
        // Received is not enough: each one runs.
        EXPECT_TRUE(running.waitForOutput("[BRENMARLEAPP] Command openuri (" + uri + ")", 5s))
            << running.output();
    }
    EXPECT_EQ(running.waitForExit(0ms), -1) << running.output();
}

TEST_F(InstanceTest, RelativeFileArgumentIsHandedOverAsAnAbsolutePath)
{
    auto first = start();
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();
    home.writeFile("Bilder/ferie.jpg", "");
    auto second = std::make_unique<ChildProcess>(
        std::vector<std::string>{VISTRELLE_BINARY, "ferie.jpg"}, (home / "Bilder").utf8_string());
    EXPECT_EQ(exitCode(second->waitForExit(3s)), 0) << second->output();
    EXPECT_TRUE(first->waitForOutput(
        "STRING DATA: " + (home / "Bilder/ferie.jpg").utf8_string() + "\n", 5s))
        << first->output();
}

TEST_F(InstanceTest, HandedOverCommandDoesNotChangeHowTheInstanceEnds)
{
    auto first = start();
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();
    auto second = start({"--removedata", "2.4.15"});
    EXPECT_EQ(exitCode(second->waitForExit(3s)), 0) << second->output();
    ASSERT_TRUE(first->waitForOutput("2.4.15 does not match 2.4.16", 5s)) << first->output();
    first->signal(SIGTERM);
    EXPECT_EQ(exitCode(first->waitForExit(10s)), 0) << first->output();
}

TEST_F(InstanceTest, InstanceThatTookOverAStaleSocketKeepsItAndTakesTheLock)
{
    auto stopped = start();
    ASSERT_TRUE(stopped->waitForOutput(READY, 20s)) << stopped->output();
    stopped->signal(SIGSTOP);
    auto fallback = start();
    ASSERT_TRUE(fallback->waitForOutput(READY, 20s)) << fallback->output();

    stopped->signal(SIGCONT);
    stopped->signal(SIGTERM);
    ASSERT_NE(stopped->waitForExit(10s), -1) << stopped->output();
    ASSERT_TRUE(fallback->waitForOutput("Took over the single-instance lock", 5s))
        << fallback->output();

    // A later start reaches the instance that runs now, instead of becoming another one.
    auto third = start({"--openuri", "app://view/inbox"});
    EXPECT_EQ(exitCode(third->waitForExit(5s)), 0) << third->output();
    EXPECT_TRUE(fallback->waitForOutput("STRING DATA: app://view/inbox", 5s)) << fallback->output();
}

TEST_F(InstanceTest, SignalDuringStartUpEndsItInOrderWithTheCatalogueCommitted)
{
    auto process = start();
    ASSERT_TRUE(process->waitForOutput("initDatabase", 20s)) << process->output();
    process->signal(SIGTERM);
    const int status = process->waitForExit(20s);
    ASSERT_NE(status, -1) << process->output();
    EXPECT_EQ(exitCode(status), 0) << process->output();
    EXPECT_NE(process->output().find("--- Stopped"), std::string::npos) << process->output();
    EXPECT_EQ(catalogueVersion(), Brenmarle::Database::DBVERSION);
}

TEST_F(InstanceTest, NewerCatalogueEndsTheStartWithItsMessageAndAFailure)
{
    {
        home.writeFile(".local/share/vistrelle/database.db", "");
        RawDatabase(home / ".local/share/vistrelle/database.db")
            .exec("CREATE TABLE metadata (version INTEGER);"
                  "INSERT INTO metadata (version) VALUES (99);");
    }
    auto process = start();
    // The message is shown in a dialog; a termination signal ends it like the user's OK.
    ASSERT_TRUE(process->waitForOutput("newer version", 20s)) << process->output();
    process->signal(SIGTERM);
    const int status = process->waitForExit(20s);
    ASSERT_NE(status, -1) << process->output();
    EXPECT_EQ(exitCode(status), 1) << process->output();
    EXPECT_NE(process->output().find("--- Stopped"), std::string::npos) << process->output();
    EXPECT_EQ(catalogueVersion(), 99);
}

TEST_F(InstanceTest, RemoveDataWithAnotherVersionOnlyLogsAndEnds)
{
    home.writeFile(".local/share/vistrelle/user.ini", "[Account]\nEmailAddress=a@b.c\n");
    home.writeFile(".local/share/vistrelle/archive/abc/x.vsaf", "picture");
    auto process = start({"--removedata", "2.4.15"});
    const int status = process->waitForExit(20s);
    ASSERT_NE(status, -1);
    EXPECT_NE(exitCode(status), 0);
    EXPECT_NE(process->output().find("2.4.15 does not match 2.4.16"), std::string::npos)
        << process->output();
    EXPECT_EQ(process->output().find("Remove-data assistant"), std::string::npos);
    EXPECT_EQ(home.readFile(".local/share/vistrelle/archive/abc/x.vsaf"), "picture");
    EXPECT_EQ(home.readFile(".local/share/vistrelle/user.ini"), "[Account]\nEmailAddress=a@b.c\n");
}

TEST_F(InstanceTest, RemoveDataOpensTheAssistantAndASignalEndsItWithTheDataKept)
{
    home.writeFile(".local/share/vistrelle/archive/abc/x.vsaf", "picture");
    auto process = start({"--removedata", "2.4.16"});
    ASSERT_TRUE(process->waitForOutput("Remove-data assistant opened", 20s)) << process->output();
    process->signal(SIGTERM);
    const int status = process->waitForExit(10s);
    ASSERT_NE(status, -1) << process->output();
    EXPECT_EQ(exitCode(status), 0) << process->output();
    EXPECT_EQ(home.readFile(".local/share/vistrelle/archive/abc/x.vsaf"), "picture");
    EXPECT_EQ(catalogueVersion(), Brenmarle::Database::DBVERSION);
}

TEST_F(InstanceTest, RemoveDataHandedToARunningInstanceIsRefused)
{
    auto first = start();
    ASSERT_TRUE(first->waitForOutput(READY, 20s)) << first->output();
    auto second = start({"--removedata", "2.4.16"});
    EXPECT_EQ(exitCode(second->waitForExit(3s)), 0) << second->output();
    EXPECT_TRUE(first->waitForOutput("before removing its data", 5s)) << first->output();
    first->signal(SIGTERM);
    EXPECT_EQ(exitCode(first->waitForExit(10s)), 0) << first->output();
    EXPECT_EQ(catalogueVersion(), Brenmarle::Database::DBVERSION);
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

TEST(InstanceHandOverPaths, LongSocketPathMovesIntoAFolderOfTheUsersOwn)
{
    ScratchDir shared;
    EXPECT_EQ(InstanceHandOver::socketPath("/run/user/1000/", "vistrelle", shared.path()),
              "/run/user/1000/vistrelle.socket");
    const wxString deep = "/home/user/" + wxString('d', 120) + "/";
    const wxString path = InstanceHandOver::socketPath(deep, "vistrelle", shared.path());
    EXPECT_LT(path.utf8_string().size(), 108u);
    const wxString own = shared / wxString::Format("vistrelle-%u", unsigned(::getuid()));
    EXPECT_TRUE(path.StartsWith(own + "/")) << path;
    struct stat info {};
    ASSERT_EQ(::lstat(own.utf8_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(path, InstanceHandOver::socketPath(deep, "vistrelle", shared.path()));
    EXPECT_NE(path, InstanceHandOver::socketPath(deep + "other/", "vistrelle", shared.path()));

    // Made first by someone else (or opened to others): not used.
    ASSERT_EQ(::chmod(own.utf8_str(), 0777), 0);
    EXPECT_EQ(InstanceHandOver::socketPath(deep, "vistrelle", shared.path()), "");
    ASSERT_EQ(::chmod(own.utf8_str(), 0700), 0);
    if (::getuid() == 0) {
        ASSERT_EQ(::chown(own.utf8_str(), 65534, 65534), 0);
        EXPECT_EQ(InstanceHandOver::socketPath(deep, "vistrelle", shared.path()), "");
    }
}
