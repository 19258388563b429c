#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <functional>
#include <mutex>

#include <sys/stat.h>
#include <unistd.h>

#include <wx/app.h>
#include <wx/fileconf.h>
#include <wx/filefn.h>
#include <wx/tokenzr.h>

#include "LogCapture.h"
#include "PhotoLibraryTest.h"
#include "WaitUntil.h"
#include "plugins/PluginCommandLine.h"
#include "plugins/PluginExecutor.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginLoader.h"
#include "plugins/PluginProcess.h"
#include "plugins/PluginRegistry.h"
#include "plugins/PluginWindowHost.h"
#include "system/Exceptions.h"

namespace {

// A plug-in that writes its arguments (one a line) to OUT.args, its environment to OUT.env and
// its working directory to OUT.pwd, OUT being its first argument; the ".args" file comes last.
const char* DUMP_SCRIPT = "#!/bin/sh\n"
                          "out=\"$1\"; shift\n"
                          "env > \"$out.env\"\n"
                          "pwd > \"$out.pwd\"\n"
                          "for a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$out.tmp\"\n"
                          "mv \"$out.tmp\" \"$out.args\"\n"
                          "exit \"${DUMP_EXIT:-0}\"\n";

class RecordingHost : public PluginHost {
public:
    bool allowLogin = true;
    int consentQuestions = 0;
    std::vector<wxString> urls;
    wxString splashTitle;
    wxString splashFile;
    int modalWaits = 0;
    std::vector<int> pauses;
    // As when a termination signal arrives while the executor waits.
    bool endingProgram = false;
    std::function<void()> beforeWait;

    bool askLoginConsent(const PluginCommand&, bool) override
    {
        ++consentQuestions;
        return allowLogin;
    }
    void openUrl(const wxString& url) override { urls.push_back(url); }
    void showSplash(const wxString& title, const wxString& closeFile, int) override
    {
        splashTitle = title;
        splashFile = closeFile;
    }
    void waitWhileRunning(PluginProcess& process) override
    {
        ++modalWaits;
        process.waitForExit();
    }
    bool waitUntilEnded(PluginProcess& process) override
    {
        if (beforeWait)
            beforeWait();
        if (endingProgram)
            return false;
        process.waitForExit();
        return true;
    }
    bool pause(int ms) override
    {
        pauses.push_back(ms);
        return !endingProgram;
    }
    void reportFailure(const wxString& message) override
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_failures.push_back(message);
        m_changed.notify_all();
    }
    std::vector<wxString> failures()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_failures;
    }
    // Waits for a failure from a waiter thread (the test fails after a generous limit).
    bool waitForFailure()
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        return m_changed.wait_for(lock, std::chrono::seconds(30),
                                  [this] { return !m_failures.empty(); });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<wxString> m_failures;
};

// Keeps the logged lines in order.
class OrderedLog : public LogCapture {
public:
    const wxString& text() const { return m_lines; }

protected:
    void DoLogRecord(wxLogLevel level, const wxString& message,
                     const wxLogRecordInfo& info) override
    {
        m_lines += message + "\n";
        LogCapture::DoLogRecord(level, message, info);
    }

private:
    wxString m_lines;
};

class PluginExecutorTest : public PhotoLibraryTest {
protected:
    PluginExecutorTest()
    {
        home.writeFile("plugins/dump/bundle.ini", "[PluginBundle]\nUuid=pkg\nVersion=1.0.0\n");
        home.writeFile("plugins/dump/dump.sh", DUMP_SCRIPT);
        ::chmod((home / "plugins/dump/dump.sh").utf8_str(), 0755);
        session.executablePath = "/opt/vistrelle/bin/vistrelle";
        session.language = "nb_NO";
        session.version = "2.0.0";
        session.ipcName = "vistrelle";
        session.userDataDir = dataDir;
        session.databasePath = dataDir + "database.db";
        session.portalId = "portal-7";
        session.accountId = "account-1";
        session.password = "secret $(touch pw)";
    }

    void addCommand(const wxString& id, const std::string& ini)
    {
        home.writeFile("plugins/dump/" + id + ".ini", ini);
    }
    // wait.sh PIDFILE: starts a child that sleeps, writes its pid and waits for it.
    void addWaitingScript()
    {
        home.writeFile("plugins/dump/wait.sh", "#!/bin/sh\nsleep 600 &\necho $! > \"$1\"\nwait\n");
        ::chmod((home / "plugins/dump/wait.sh").utf8_str(), 0755);
    }
    void load()
    {
        registry.load({home / "plugins"}, PluginLoader("2.0.0"));
        executor = std::make_unique<PluginExecutor>(registry, host);
        executor->setSession(session);
    }
    // The lines of a file the dump script wrote.
    std::vector<wxString> lines(const wxString& path)
    {
        std::vector<wxString> result;
        for (const wxString& line :
             wxSplit(wxString::FromUTF8(readFile(path)).BeforeLast('\n'), '\n', '\0'))
            result.push_back(line);
        return result;
    }
    std::map<wxString, wxString> environmentOf(const wxString& path)
    {
        std::map<wxString, wxString> env;
        for (const wxString& line : lines(path))
            env[line.BeforeFirst('=')] = line.AfterFirst('=');
        return env;
    }

    PluginExecutor::Session session;
    PluginRegistry registry;
    RecordingHost host;
    std::unique_ptr<PluginExecutor> executor;
};

} // namespace

TEST_F(PluginExecutorTest, AwkwardNamesArriveAsOneArgumentEachAndRunNothing)
{
    addCommand("filter", "Type=FILEFILTER\nExecuteMode=SYNC\nNeedsFileSelInfo=1\n"
                         "NeedsFolderInfo=1\nSplashTitle=Dumping\n"
                         "ForEachExecute={pluginpath:dump.sh} '{userdatadir}out' \"[package]\" "
                         "{file}\n");
    load();
    const wxString names[] = {"a b;$(touch x).jpg", "it's \"quoted\" `touch y`.jpg",
                              "-rf & <tag>.jpg"};
    PluginExecutor::Selection selection;
    for (const wxString& name : names)
        selection.files.push_back(manager->getFile(makeComputerPicture("Pictures/" + name)));
    selection.folder = manager->getFolder(selection.files[0]->getURI());
    selection.parentWindow = wxRect(10, 20, 300, 400);

    ASSERT_TRUE(executor->execute("pkg", "filter", selection)) << host.failures().at(0);

    const std::vector<wxString> args = lines(dataDir + "out.args");
    ASSERT_EQ(4u, args.size());
    EXPECT_EQ(home / "plugins/dump/", args[0]);
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(home / "Pictures/" + names[i], args[i + 1]);
    EXPECT_FALSE(wxFileExists(dataDir + "plugins/dlls/x"));
    EXPECT_FALSE(wxFileExists(home / "x"));
    EXPECT_FALSE(wxFileExists(dataDir + "plugins/dlls/y"));
    EXPECT_EQ(dataDir + "plugins/dlls\n", wxString::FromUTF8(readFile(dataDir + "out.pwd")));

    std::map<wxString, wxString> env = environmentOf(dataDir + "out.env");
    EXPECT_EQ("filter", env["VS_PLUGIN_ID"]);
    EXPECT_EQ("pkg", env["VS_PACKAGE_ID"]);
    EXPECT_EQ(dataDir + "plugins/dlls", env["VS_DLL_DIRECTORY"]);
    EXPECT_EQ("10", env["VS_PARENTWIN_LEFT"]);
    EXPECT_EQ("400", env["VS_PARENTWIN_HEIGHT"]);
    EXPECT_EQ(dataDir + "spool", env["VS_SPOOL_DIR"]);
    EXPECT_EQ(dataDir + "temp/fileselinfo.xml", env["VS_FILESELINFO_XML"]);
    EXPECT_EQ(dataDir + "temp/folderinfo.xml", env["VS_FOLDERINFO_XML"]);
    EXPECT_EQ("portal-7", env["VS_USER_PORTALID"]);
    EXPECT_EQ(dataDir + "temp/closesplash_filter", env["VS_CLOSESPLASH_FILE"]);
    EXPECT_EQ("/opt/vistrelle/bin", env["VS_EXECUTABLE_DIR"]);
    EXPECT_EQ("nb_NO", env["VS_LANG"]);
    EXPECT_EQ("1", env["VS_PLUGIN_IFACE_VER"]);
    EXPECT_EQ(dataDir + "order", env["VS_ORDER_DIR"]);
    EXPECT_EQ(home / "plugins", env["VS_PLUGIN_DIRS"]);
    EXPECT_EQ(0u, env.count("VS_USER_PASSWORD"));
    EXPECT_TRUE(wxDirExists(dataDir + "order"));
    EXPECT_EQ("Dumping", host.splashTitle);
    EXPECT_EQ(dataDir + "temp/closesplash_filter", host.splashFile);

    const std::string selectionXml = readFile(dataDir + "temp/fileselinfo.xml");
    EXPECT_NE(std::string::npos, selectionXml.find("<fileselinfo>"));
    EXPECT_NE(std::string::npos,
              selectionXml.find("<localpath>" + std::string((home / "Pictures/").utf8_str()) +
                                "-rf &amp; &lt;tag&gt;.jpg</localpath>"));
    EXPECT_NE(std::string::npos, selectionXml.find("<filename>a b;$(touch x).jpg</filename>"));
    EXPECT_NE(std::string::npos, readFile(dataDir + "temp/folderinfo.xml").find("<uri>file://"));
    // Written under a temporary name and renamed: nothing else is left in the folder.
    EXPECT_EQ(2u, filesUnder(dataDir + "temp"));
}

TEST_F(PluginExecutorTest, LoginGoesOnlyToTheCommandTheUserAllowed)
{
    addCommand("login", "Type=COMMAND\nExecuteMode=SYNC\nRequireLoginInfo=1\n"
                        "Execute={pluginpath:dump.sh} {userdatadir}login\n");
    addCommand("plain", "Type=COMMAND\nExecuteMode=SYNC\nExecute={pluginpath:dump.sh} "
                        "{userdatadir}plain\n");
    load();
    ::setenv("VS_USER_PASSWORD", "inherited", 1);
    ASSERT_TRUE(executor->execute("pkg", "login", {}));
    ASSERT_TRUE(executor->execute("pkg", "plain", {}));
    ::unsetenv("VS_USER_PASSWORD");

    EXPECT_EQ("secret $(touch pw)", environmentOf(dataDir + "login.env")["VS_USER_PASSWORD"]);
    EXPECT_EQ("account-1", environmentOf(dataDir + "login.env")["VS_USER_ACCOUNTID"]);
    EXPECT_EQ(0u, environmentOf(dataDir + "plain.env").count("VS_USER_PASSWORD"));
    EXPECT_EQ(0u, environmentOf(dataDir + "plain.env").count("VS_USER_ACCOUNTID"));
    EXPECT_EQ(1, host.consentQuestions);

    host.allowLogin = false;
    wxRemoveFile(dataDir + "login.args");
    EXPECT_FALSE(executor->execute("pkg", "login", {}));
    ASSERT_EQ(1u, host.failures().size());
    EXPECT_EQ("Plugin execution failed: Plugin was not allowed to access login information",
              host.failures()[0]);
    EXPECT_FALSE(wxFileExists(dataDir + "login.args"));
}

TEST_F(PluginExecutorTest, FailedStartsAndNonZeroExitsAreFailures)
{
    addCommand("missing", "Type=COMMAND\nExecuteMode=SYNC\nExecute={pluginpath:none.sh}\n");
    addCommand("sync", "Type=COMMAND\nExecuteMode=SYNC\nExecute=sh -c 'exit 3'\n");
    addCommand("modal", "Type=COMMAND\nExecuteMode=MODAL\nExecute=false\n");
    addCommand("async", "Type=COMMAND\nExecuteMode=ASYNC\nExecute=sh -c 'exit 4'\n");
    addCommand("asyncmissing", "Type=COMMAND\nExecuteMode=ASYNC\nExecute=/no/such/program\n");
    addCommand("nomode", "Type=COMMAND\nExecute=true\n");
    addCommand("weblink", "Type=WEBLINK\nExecuteMode=SYNC\nWebLinkUrl=https://example.org/\n");
    load();
    LogCapture log;

    EXPECT_FALSE(executor->execute("pkg", "missing", {}));
    EXPECT_TRUE(host.failures().at(0).StartsWith("Plugin execution failed: Could not run command"));
    EXPECT_FALSE(executor->execute("pkg", "sync", {}));
    EXPECT_EQ("Plugin execution failed: The plugin ended with exit code 3", host.failures().at(1));
    EXPECT_TRUE(log.contains("Process returned non-zero!"));
    EXPECT_FALSE(executor->execute("pkg", "modal", {}));
    EXPECT_EQ(1, host.modalWaits);
    EXPECT_FALSE(executor->execute("pkg", "asyncmissing", {}));
    EXPECT_FALSE(executor->execute("pkg", "nomode", {}));
    EXPECT_EQ("Plugin execution failed: Unsupported execute mode", host.failures().at(4));
    EXPECT_FALSE(executor->execute("pkg", "weblink", {}));
    EXPECT_EQ("Plugin execution failed: Only ASYNC is supported for weblink plugins",
              host.failures().at(5));
    EXPECT_TRUE(host.urls.empty());
    EXPECT_FALSE(executor->execute("pkg", "gone", {}));
    EXPECT_EQ("Plugin execution failed: Plugin gone is no longer available after update",
              host.failures().at(6));

    // Started fine, failed later: reported from the thread that saw it end.
    const size_t before = host.failures().size();
    EXPECT_TRUE(executor->execute("pkg", "async", {}));
    ASSERT_TRUE(waitUntil([&] { return host.failures().size() > before; }));
    EXPECT_EQ("Plugin execution failed: async ended with exit code 4", host.failures().back());
}

TEST_F(PluginExecutorTest, FileCopyFilterStartsOneProcessPerFileInSelectionOrder)
{
    addCommand("copy", "Type=FILECOPYFILTER\nExecuteMode=ASYNC\n"
                       "ForEachExecute={pluginpath:dump.sh} {file}.out {file}\n");
    load();
    PluginExecutor::Selection selection;
    for (int i = 3; i >= 1; --i)
        selection.files.push_back(
            manager->getFile(makeComputerPicture(wxString::Format("P/%d $HOME.jpg", i))));
    OrderedLog log;

    ASSERT_TRUE(executor->execute("pkg", "copy", selection));
    ASSERT_TRUE(waitUntil([&] { return executor->countRunningProcesses() == 0; }));
    for (int i = 1; i <= 3; ++i) {
        const wxString picture = home / wxString::Format("P/%d $HOME.jpg", i);
        EXPECT_EQ(std::vector<wxString>{picture}, lines(picture + ".out.args"));
    }
    // The starts were logged in selection order, each naming its own picture.
    std::vector<wxString> starts;
    for (const wxString& line : wxSplit(log.text(), '\n', '\0')) {
        if (line.Contains("[PLUGINEXECUTOR]"))
            starts.push_back(line.AfterLast('/'));
    }
    EXPECT_EQ((std::vector<wxString>{"3 $HOME.jpg", "2 $HOME.jpg", "1 $HOME.jpg"}), starts);
    EXPECT_TRUE(host.failures().empty());
}

TEST_F(PluginExecutorTest, WaitsEndedByTheProgramsEndStopThePluginAndTheFilter)
{
    addWaitingScript();
    addCommand("sync", "Type=COMMAND\nExecuteMode=SYNC\n"
                       "Execute={pluginpath:wait.sh} {userdatadir}sync.pid\n");
    addCommand("copy", "Type=FILECOPYFILTER\nExecuteMode=ASYNC\nForEachPause=10\n"
                       "ForEachExecute={pluginpath:dump.sh} {file}.out {file}\n");
    load();
    host.endingProgram = true;
    // The signal comes once the plug-in runs, with a child of its own.
    host.beforeWait = [&] { waitUntil([&] { return !readFile(dataDir + "sync.pid").empty(); }); };

    EXPECT_FALSE(executor->execute("pkg", "sync", {}));
    // The plug-in's whole group went with the program's end, not left behind.
    const pid_t grandchild = std::stoi(readFile(dataDir + "sync.pid"));
    EXPECT_TRUE(waitUntil([&] { return ::kill(grandchild, 0) != 0; }));

    // A filter stops between files instead of starting the rest.
    PluginExecutor::Selection selection;
    for (int i = 1; i <= 3; ++i)
        selection.files.push_back(
            manager->getFile(makeComputerPicture(wxString::Format("P/%d.jpg", i))));
    EXPECT_FALSE(executor->execute("pkg", "copy", selection));
    EXPECT_EQ(host.pauses, std::vector<int>{10});
    ASSERT_TRUE(waitUntil([&] { return executor->countRunningProcesses() == 0; }));
    EXPECT_TRUE(wxFileExists(home / "P/1.jpg.out.args"));
    EXPECT_FALSE(wxFileExists(home / "P/2.jpg.out.args"));
}

TEST(PluginWindowHost, WaitingForAPluginKeepsTheWindowAnswering)
{
    PluginWindowHost host("Maker");
    std::shared_ptr<PluginProcess> process =
        PluginProcess::start({"sh", "-c", "sleep 0.3"}, {}, "/");
    bool handled = false;
    wxTheApp->CallAfter([&] { handled = process->isRunning(); });
    EXPECT_TRUE(host.waitUntilEnded(*process));
    // Handled while the plug-in still ran: the wait did not hold the loop.
    EXPECT_TRUE(handled);
    EXPECT_FALSE(process->isRunning());
    EXPECT_TRUE(host.pause(1));
}

TEST_F(PluginExecutorTest, AtExitOnlyRunningProcessesAreStoppedByGroup)
{
    addWaitingScript();
    addCommand("term", "Type=COMMAND\nExecuteMode=ASYNC\nQuitAction=TERM\n"
                       "Execute={pluginpath:wait.sh} {userdatadir}term.pid\n");
    addCommand("stay", "Type=COMMAND\nExecuteMode=ASYNC\n"
                       "Execute={pluginpath:wait.sh} {userdatadir}stay.pid\n");
    load();
    ASSERT_TRUE(executor->execute("pkg", "term", {}));
    ASSERT_TRUE(executor->execute("pkg", "stay", {}));
    ASSERT_TRUE(waitUntil([&] {
        return !readFile(dataDir + "term.pid").empty() && !readFile(dataDir + "stay.pid").empty();
    }));
    const pid_t grandchild = std::stoi(readFile(dataDir + "term.pid"));
    const pid_t stayer = std::stoi(readFile(dataDir + "stay.pid"));

    executor->stopProcesses();
    // The whole group ends, the shell's own child included.
    ASSERT_TRUE(waitUntil([&] { return ::kill(grandchild, 0) != 0; }));
    EXPECT_EQ(0, ::kill(stayer, 0));
    ::kill(stayer, SIGKILL);
}

TEST_F(PluginExecutorTest, OncePerRunValuesKeepTheirFirstValues)
{
    addCommand("env", "Type=COMMAND\nExecuteMode=SYNC\nExecute={pluginpath:dump.sh} "
                      "{userdatadir}env\n");
    home.writeFile(".local/share/vistrelle/portals/portal-7/pricelist.xml", "<pricelist/>");
    load();
    ASSERT_TRUE(executor->execute("pkg", "env", {}));
    EXPECT_EQ(dataDir + "portals/portal-7/pricelist.xml",
              environmentOf(dataDir + "env.env")["VS_PRICELIST_XML"]);
    session.language = "de_DE";
    session.portalId = "portal-8";
    executor->setSession(session);
    ASSERT_TRUE(executor->execute("pkg", "env", {}));
    std::map<wxString, wxString> env = environmentOf(dataDir + "env.env");
    EXPECT_EQ("nb_NO", env["VS_LANG"]);
    // Per run: the provider as it is now.
    EXPECT_EQ("portal-8", env["VS_USER_PORTALID"]);
}

TEST_F(PluginExecutorTest, RefusesABundleThatMustBeUpdatedFirst)
{
    addCommand("run", "Type=COMMAND\nExecuteMode=SYNC\nExecute=true\n");
    session.requiredUpdates["pkg"] = "1.0.1";
    load();
    EXPECT_FALSE(executor->execute("pkg", "run", {}));
    EXPECT_EQ(
        "Plugin execution failed: The extension needed to be updated to at least version 1.0.1",
        host.failures().at(0));
    session.requiredUpdates["pkg"] = "1.0.0";
    executor->setSession(session);
    EXPECT_TRUE(executor->execute("pkg", "run", {}));

    wxFileConfig config;
    config.Write("PluginUpdates/ReqUpdate1", "a");
    config.Write("PluginUpdates/ReqUpdate1Version", "2.0.0");
    config.Write("PluginUpdates/ReqUpdate2", "b");
    config.Write("PluginUpdates/ReqUpdate4", "d");
    const std::map<wxString, wxString> updates = PluginExecutor::readRequiredUpdates(config);
    EXPECT_EQ((std::map<wxString, wxString>{{"a", "2.0.0"}, {"b", ""}}), updates);
}

TEST(PluginExecutor, SafeIdsHaveNoPathSteps)
{
    EXPECT_EQ("_", PluginExecutor::safeId(".."));
    EXPECT_FALSE(PluginExecutor::safeId("../../etc/x").Contains("/"));
}

TEST(PluginCommandLine, SplitsOnBlanksOutsideQuotesAndSubstitutesPerArgument)
{
    EXPECT_EQ((std::vector<wxString>{"a", "b c", "d'e", "", "x\\y"}),
              PluginCommandLine::split("  a \"b c\"\t\"d'e\" '' x\\y "));
    EXPECT_THROW(PluginCommandLine::split("a \"b"), Quorvel::RuntimeException);

    const PluginCommandLine::Substitutions values{"/b dir/", "/data/"};
    EXPECT_EQ("/b dir/bin/tool.exe",
              PluginCommandLine::substitute("{pluginpath:bin\\tool.exe}", values));
    EXPECT_EQ("--in=/b dir/ /data/x {file}",
              PluginCommandLine::substitute("--in=[package] {userdatadir}x {file}", values));
    EXPECT_EQ((std::vector<wxString>{"/b dir/t", "-i", "a [package] b", "c"}),
              PluginCommandLine::build("{pluginpath:t} -i {file}", values, {"a [package] b", "c"}));
}

TEST_F(PluginExecutorTest, DescriptionFilesAreReplacedNeverRewrittenInPlace)
{
    addCommand("describe", "Type=COMMAND\nExecuteMode=SYNC\nNeedsFileSelInfo=1\nExecute=true\n");
    load();
    PluginExecutor::Selection selection;
    selection.files.push_back(manager->getFile(makeComputerPicture("Pictures/one.jpg")));
    ASSERT_TRUE(executor->execute("pkg", "describe", selection));
    // A plug-in still reading the first description keeps reading it whole.
    const wxString description = dataDir + "temp/fileselinfo.xml";
    ASSERT_EQ(0, ::link(description.utf8_str(), (home / "reader.xml").utf8_str()));
    const std::string first = readFile(description);

    selection.files.push_back(manager->getFile(makeComputerPicture("Pictures/two.jpg")));
    ASSERT_TRUE(executor->execute("pkg", "describe", selection));
    EXPECT_EQ(first, readFile(home / "reader.xml"));
    EXPECT_NE(std::string::npos, readFile(description).find("two.jpg"));
}
