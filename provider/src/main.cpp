// vistrelle-provider: the reference provider of the online services.
//
//   vistrelle-provider --data DIR [--config FILE] [--listen ADDRESS] [--port N] [--tls PEM]
//   [--quiet]
//
// DIR keeps the provider's state (provider.db) and the files it serves under /files/. FILE
// defaults to DIR/provider.conf when that exists, else built-in defaults. ADDRESS defaults to
// 127.0.0.1 ("" or "::" for every address); N defaults to 8080, 0 picks a free port. The port
// in use is printed as "listening on ADDRESS:PORT". With --tls it serves HTTPS with the key and
// certificate in PEM (the payment service's transport). Ends on SIGINT or SIGTERM.

#include <csignal>
#include <cstdlib>
#include <iostream>
#include <string>

#include <pthread.h>
#include <sys/stat.h>

#include "ProviderServer.h"

namespace {

const char USAGE[] = "usage: vistrelle-provider --data DIR [--config FILE] [--listen ADDRESS] "
                     "[--port N] [--tls PEM] [--quiet]\n";

int usage(const char* message)
{
    std::cerr << "vistrelle-provider: " << message << "\n" << USAGE;
    return 2;
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
    for (int i = 1; i < argc; ++i) {
        const std::string option = argv[i];
        const bool hasValue = i + 1 < argc;
        if (option == "--help" || option == "-h") {
            std::cout << USAGE;
            return std::cout.flush() ? 0 : 1;
        }
        if (option == "--data" && hasValue)
            dataDir = argv[++i];
        else if (option == "--config" && hasValue)
            configPath = argv[++i];
        else if (option == "--tls" && hasValue)
            tlsFile = argv[++i];
        else if (option == "--listen" && hasValue)
            address = argv[++i];
        else if (option == "--port" && hasValue) {
            char* end = nullptr;
            const long value = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || value < 0 || value > 65535)
                return usage("--port needs a number from 0 to 65535");
            port = static_cast<int>(value);
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
        Provider::ProviderServer server(std::move(config), dataDir);
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
