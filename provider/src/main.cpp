// vistrelle-provider: the reference provider of the online services. Its options are those of
// ProviderCommandLine (vistrelle-provider --help lists them).

#include <csignal>
#include <iostream>
#include <string>
#include <vector>

#include <pthread.h>
#include <sys/stat.h>

#include "PricelistCheck.h"
#include "ProviderCommandLine.h"
#include "ProviderServer.h"

namespace {

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    using Provider::ProviderCommandLine;
    const ProviderCommandLine commandLine =
        ProviderCommandLine::parse(std::vector<std::string>(argv + 1, argv + argc));
    if (commandLine.action == ProviderCommandLine::Action::Help) {
        std::cout << ProviderCommandLine::usage();
        return 0;
    }
    if (commandLine.action == ProviderCommandLine::Action::Error) {
        std::cerr << "vistrelle-provider: " << commandLine.error << "\n\n"
                  << ProviderCommandLine::usage();
        return 2;
    }
    const ProviderCommandLine::Settings& settings = commandLine.settings;
    std::string configPath = settings.configPath;
    if (configPath.empty() && exists(settings.dataDir + "/provider.conf"))
        configPath = settings.dataDir + "/provider.conf";

    // A client that goes away while it is answered must not end the provider.
    std::signal(SIGPIPE, SIG_IGN);
    // The server's threads inherit the mask; only this thread takes the stop signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        Provider::ProviderConfig config = configPath.empty()
                                              ? Provider::ProviderConfig()
                                              : Provider::ProviderConfig::load(configPath);
        Provider::PricelistCheck::checkAll(config);
        Provider::ProviderServer::Options options = settings.options;
        if (!settings.faultsFile.empty())
            options.faultRules = Provider::FaultScript::load(settings.faultsFile);
        Provider::ProviderServer server(std::move(config), settings.dataDir, options);
        server.setQuiet(settings.quiet);
        if (!settings.tlsFile.empty())
            server.useTls(settings.tlsFile);
        const std::string& address = settings.address;
        const std::string shown = address.empty() ? "*" : address;
        const int bound = server.start(address == "::" ? std::string() : address, settings.port,
                                       settings.tlsPort);
        std::cout << "listening on " << shown << ":" << bound << std::endl;
        if (settings.tlsPort != Provider::ProviderServer::NO_PORT)
            std::cout << "listening on https " << shown << ":" << server.tlsPort() << std::endl;
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    } catch (const std::exception& e) {
        std::cerr << "vistrelle-provider: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
