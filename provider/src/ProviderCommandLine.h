#pragma once
// The command line of vistrelle-provider: its options, read into the settings of one run, and
// the usage text that lists every one of them (printed by --help and after a mistake).
//
// A plain value; any thread.

#include <string>
#include <vector>

#include "ProviderServer.h"

namespace Provider {

class ProviderCommandLine {
public:
    enum class Action { Run, Help, Error };

    struct Settings {
        std::string dataDir;
        // Empty: DATA/provider.conf when that exists, else the built-in defaults.
        std::string configPath;
        std::string address = "127.0.0.1";
        int port = 8080;
        // HTTPS beside HTTP; NO_PORT: none (then --tls makes --port HTTPS).
        int tlsPort = ProviderServer::NO_PORT;
        std::string tlsFile;
        // A fault script file; its rules go to options.faultRules when the program loads it.
        std::string faultsFile;
        ProviderServer::Options options;
        bool quiet = false;
    };

    // What to do, with the settings to run with or the mistake to report.
    Action action = Action::Run;
    Settings settings;
    std::string error;

    // `arguments` without the program's name.
    static ProviderCommandLine parse(const std::vector<std::string>& arguments);
    // Every option with its meaning and default.
    static std::string usage();
};

} // namespace Provider
