// vistrelle-provider: the reference provider of the online services.
//
//   vistrelle-provider --data DIR [--config FILE] [--listen ADDRESS] [--port N] [--tls PEM]
//   [--workers N] [--idle-timeout SECONDS] [--quiet]
//
// DIR keeps the provider's state (provider.db) and the files it serves under /files/. FILE
// defaults to DIR/provider.conf when that exists, else built-in defaults. ADDRESS defaults to
// 127.0.0.1 ("" or "::" for every address); N defaults to 8080, 0 picks a free port. The port
// in use is printed as "listening on ADDRESS:PORT". With --tls it serves HTTPS with the key and
// certificate in PEM (the payment service's transport). N workers (32 by default) serve that
// many requests at once; a connection silent for SECONDS (30 by default) is closed. Ends on
// SIGINT or SIGTERM.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include <pthread.h>
#include <sys/stat.h>

#include "ProviderServer.h"

namespace {

int usage(const char* message)
{
    std::cerr << "vistrelle-provider: " << message << "\n"
              << "usage: vistrelle-provider --data DIR [--config FILE] [--listen ADDRESS] [--port "
                 "N] [--tls PEM] [--workers N] [--idle-timeout SECONDS] [--quiet]\n";
    return 2;
}

// A whole decimal number from `low` to `high`.
bool number(const char* text, long low, long high, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long result = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || result < low || result > high)
        return false;
    value = static_cast<int>(result);
    return true;
}

bool exists(const std::string& path)
{
    struct stat info;
    return ::stat(path.c_str(), &info) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    std::string dataDir;
    std::string configPath;
    std::string address = "127.0.0.1";
    int port = 8080;
    bool quiet = false;
    std::string tlsFile;
    Provider::ProviderServer::Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--data" && hasValue)
            dataDir = argv[++i];
        else if (option == "--config" && hasValue)
            configPath = argv[++i];
        else if (option == "--tls" && hasValue)
            tlsFile = argv[++i];
        else if (option == "--listen" && hasValue)
            address = argv[++i];
        else if (option == "--port" && hasValue) {
            if (!number(argv[++i], 0, 65535, port))
                return usage("--port needs a number from 0 to 65535");
        } else if (option == "--workers" && hasValue) {
            if (!number(argv[++i], 1, Provider::ProviderServer::MAX_WORKERS, options.workers))
                return usage("--workers needs a number from 1 to 1024");
        } else if (option == "--idle-timeout" && hasValue) {
            if (!number(argv[++i], 1, 86400, options.idleTimeoutSeconds))
                return usage("--idle-timeout needs a number of seconds from 1 to 86400");
        } else if (option == "--quiet")
            quiet = true;
        else
            return usage(("unknown option or missing value: " + option).c_str());
    }
    if (dataDir.empty())
        return usage("--data DIR is required");
    if (configPath.empty() && exists(dataDir + "/provider.conf"))
        configPath = dataDir + "/provider.conf";

    // A client that goes away while it is answered must not end the provider.
    std::signal(SIGPIPE, SIG_IGN);
    // The server thread inherits the mask; only this thread takes the stop signals.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    try {
        Provider::ProviderConfig config = configPath.empty()
                                              ? Provider::ProviderConfig()
                                              : Provider::ProviderConfig::load(configPath);
        Provider::ProviderServer server(std::move(config), dataDir, options);
        server.setQuiet(quiet);
        if (!tlsFile.empty())
            server.useTls(tlsFile);
        const int bound = server.start(address == "::" ? std::string() : address, port);
        std::cout << "listening on " << (address.empty() ? "*" : address) << ":" << bound
                  << std::endl;
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.stop();
    } catch (const std::exception& e) {
        std::cerr << "vistrelle-provider: " << e.what() << std::endl;
        return 1;
    }
    return 0;
}
