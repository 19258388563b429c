#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include <sys/wait.h>

#include "ProviderCommandLine.h"
#include "ScratchDir.h"

using Provider::ProviderCommandLine;
using Action = Provider::ProviderCommandLine::Action;

TEST(ProviderCommandLine, ReadsEveryOption)
{
    const auto line = ProviderCommandLine::parse(
        {"--data",    "/srv/p",      "--config",       "/etc/p.conf", "--listen",       "::",
         "--port",    "0",           "--tls",          "/etc/p.pem",  "--tls-port",     "8443",
         "--workers", "1024",        "--idle-timeout", "5",           "--upload-limit", "1000",
         "--faults",  "/etc/faults", "--quiet"});
    ASSERT_EQ(line.action, Action::Run) << line.error;
    EXPECT_EQ(line.settings.dataDir, "/srv/p");
    EXPECT_EQ(line.settings.configPath, "/etc/p.conf");
    EXPECT_EQ(line.settings.address, "::");
    EXPECT_EQ(line.settings.port, 0);
    EXPECT_EQ(line.settings.tlsFile, "/etc/p.pem");
    EXPECT_EQ(line.settings.tlsPort, 8443);
    EXPECT_EQ(line.settings.options.uploadLimitBytes, 1000u);
    EXPECT_EQ(line.settings.faultsFile, "/etc/faults");
    EXPECT_EQ(line.settings.options.workers, 1024);
    EXPECT_EQ(line.settings.options.idleTimeoutSeconds, 5);
    EXPECT_TRUE(line.settings.quiet);

    const auto defaults = ProviderCommandLine::parse({"--data", "d"});
    EXPECT_EQ(defaults.settings.port, 8080);
    EXPECT_EQ(defaults.settings.address, "127.0.0.1");
    EXPECT_EQ(defaults.settings.options.workers, 32);
    EXPECT_EQ(defaults.settings.tlsPort, Provider::ProviderServer::NO_PORT);
}

TEST(ProviderCommandLine, MistakesAreNamed)
{
    auto errorOf = [](const std::vector<std::string>& arguments) {
        const auto line = ProviderCommandLine::parse(arguments);
        return line.action == Action::Error ? line.error : std::string("no error");
    };
    EXPECT_EQ(errorOf({}), "--data DIR is required");
    EXPECT_EQ(errorOf({"--data"}), "unknown option or missing value: --data");
    EXPECT_EQ(errorOf({"--data", "d", "--colour", "red"}), "unknown option: --colour");
    for (const std::string port : {"-1", "65536", "80x", ""})
        EXPECT_EQ(errorOf({"--data", "d", "--port", port}), "--port needs a number from 0 to 65535")
            << port;
    for (const std::string workers : {"0", "1025", "many"})
        EXPECT_EQ(errorOf({"--data", "d", "--workers", workers}),
                  "--workers needs a number from 1 to 1024")
            << workers;
    EXPECT_EQ(errorOf({"--data", "d", "--idle-timeout", "0"}),
              "--idle-timeout needs a number of seconds from 1 to 86400");
    EXPECT_EQ(errorOf({"--data", "d", "--tls-port", "8443"}), "--tls-port needs --tls PEM");
    for (const std::string limit : {"0", "-1", "1e6", "99999999999999999999"})
        EXPECT_EQ(errorOf({"--data", "d", "--upload-limit", limit}),
                  "--upload-limit needs a number of bytes from 1")
            << limit;
    // --help wins wherever it stands, even among mistakes.
    EXPECT_EQ(ProviderCommandLine::parse({"--port", "x", "--help"}).action, Action::Help);
}

TEST(ProviderCommandLine, UsageListsEveryOption)
{
    const std::string usage = ProviderCommandLine::usage();
    for (const char* option : {"--data DIR",
                               "--config FILE",
                               "--listen ADDRESS",
                               "--port N",
                               "--tls PEM",
                               "--tls-port N",
                               "--workers N",
                               "--idle-timeout SECONDS",
                               "--upload-limit BYTES",
                               "--faults FILE",
                               "--quiet",
                               "--help",
                               "rule = MATCH | ACTION [| TIMES]",
                               "delay MS",
                               "close",
                               "fault CODE TEXT",
                               "truncate BYTES",
                               "wrong-md5",
                               "no-answer",
                               "redirect-self",
                               "bad-token KIND"})
        EXPECT_NE(usage.find(option), std::string::npos) << option;
}

TEST(ProviderCommandLine, ProgramPrintsUsageForHelpAndMistakes)
{
    ScratchDir dir;
    const std::string out(dir.path().utf8_str());
    auto run = [&](const std::string& arguments) {
        const int status = std::system(
            (std::string(PROVIDER_BINARY) + " " + arguments + " >" + out + "out 2>" + out + "err")
                .c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    EXPECT_EQ(run("--help"), 0);
    EXPECT_EQ(dir.readFile("out"), ProviderCommandLine::usage());
    EXPECT_EQ(dir.readFile("err"), "");

    EXPECT_EQ(run("--data " + out + "d --workers 0"), 2);
    EXPECT_EQ(dir.readFile("out"), "");
    EXPECT_EQ(dir.readFile("err"),
              "vistrelle-provider: --workers needs a number from 1 to 1024\n\n" +
                  ProviderCommandLine::usage());
}
