#include "ProviderCommandLine.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

namespace Provider {

namespace {

// A whole decimal number from `low` to `high`.
bool number(const std::string& text, long low, long high, int& value)
{
    char* end = nullptr;
    errno = 0;
    const long result = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || result < low || result > high)
        return false;
    value = static_cast<int>(result);
    return true;
}

// A whole decimal number that fits 64 bits.
bool whole(const std::string& text, uint64_t& value)
{
    if (text.empty() || text.size() > 19 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoull(text);
    return true;
}

} // namespace

std::string ProviderCommandLine::usage()
{
    const ProviderServer::Options defaults;
    return "usage: vistrelle-provider --data DIR [options]\n"
           "\n"
           "The reference provider of the online services (locator, portal, storage,\n"
           "ordering, sharing, payment, plug-in manager), of the files under\n"
           "/files/, of the latest-version file (any path ending in /LATEST_VERSION) and of\n"
           "each portal's password reminder page (/go/passwordreminder). Ends on SIGINT or\n"
           "SIGTERM.\n"
           "\n"
           "  --data DIR             folder of the provider's state: provider.db, the request\n"
           "                         journal journal.jsonl and the files served under /files/\n"
           "                         (required)\n"
           "  --config FILE          configuration file (default DIR/provider.conf when it\n"
           "                         exists, else built-in defaults; see provider.conf.example)\n"
           "  --listen ADDRESS       address to listen on (default 127.0.0.1; \"::\" for every\n"
           "                         address)\n"
           "  --port N               port to listen on (default 8080; 0 picks a free one, printed\n"
           "                         as \"listening on ADDRESS:PORT\")\n"
           "  --tls PEM              key and certificate for HTTPS; without --tls-port, --port\n"
           "                         serves HTTPS\n"
           "  --tls-port N           serve HTTPS on port N beside HTTP on --port, over the same\n"
           "                         data (0 picks a free one, printed as \"listening on\n"
           "                         https ADDRESS:PORT\"); needs --tls\n"
           "  --workers N            requests served at once, 1 to " +
           std::to_string(ProviderServer::MAX_WORKERS) + " (default " +
           std::to_string(defaults.workers) +
           ")\n"
           "  --idle-timeout SECONDS close a connection silent this long (default " +
           std::to_string(defaults.idleTimeoutSeconds) +
           ")\n"
           "  --keep-alive SECONDS   keep a connection this long for the client's next request\n"
           "                         (default " +
           std::to_string(defaults.keepAliveSeconds) +
           "; 0 closes every connection after one request)\n"
           "  --upload-limit BYTES   largest file an upload may carry (default " +
           std::to_string(defaults.uploadLimitBytes) +
           ")\n"
           "  --faults FILE          fault script: failures staged on purpose (below)\n"
           "  --quiet                no log lines on standard error\n"
           "  --help                 print this text and end\n"
           "\n"
           "Fault script (--faults FILE, or a [faults] section of the configuration), one rule a\n"
           "line, tried in order; the first that matches and has firings left fires:\n"
           "\n"
           "  rule = MATCH | ACTION [| TIMES]\n"
           "\n"
           "  MATCH   SERVICE/OPERATION of a SOAP call (\"portal/createAccount\", \"storage/*\"),\n"
           "          or [METHOD ]PATH of any request (\"GET /download/*\", \"/files/list.xml\");\n"
           "          a final * matches any rest\n"
           "  ACTION  delay MS          wait MS milliseconds (up to 600000), then answer\n"
           "          close             close the connection without an answer\n"
           "          fault CODE TEXT   SOAP calls: answer the fault SOAP-ENV:CODE with TEXT\n"
           "                            (\"fault Client.InsufficientSlots No room left\")\n"
           "          truncate BYTES    file GETs: announce the whole length, send BYTES\n"
           "          wrong-md5         file GETs: send an X-Quorvel-MD5 that does not match\n"
           "          no-answer         uploads: take the file, keep nothing, close unanswered\n"
           "          redirect-self     locator/getDirectoryContents: redirect to the same path\n"
           "                            on the host the client asked\n"
           "          bad-token KIND    portal/getRegistrationToken: spoil the picture; KIND\n"
           "                            is not-png, truncated, missing or too-large (a PNG of\n"
           "                            " +
           std::to_string(FaultScript::TOO_LARGE_TOKEN_SIDE) + "x" +
           std::to_string(FaultScript::TOO_LARGE_TOKEN_SIDE) +
           " pixels)\n"
           "  TIMES   how many times the rule fires (default: every time)\n"
           "\n"
           "Each firing is logged and noted as \"injected\" in the request's journal line.\n";
}

ProviderCommandLine ProviderCommandLine::parse(const std::vector<std::string>& arguments)
{
    ProviderCommandLine result;
    Settings& settings = result.settings;
    auto fail = [&](const std::string& error) {
        result.action = Action::Error;
        result.error = error;
        return result;
    };
    // Asked for help, one gets it whatever else the line holds.
    for (const std::string& argument : arguments) {
        if (argument == "--help") {
            result.action = Action::Help;
            return result;
        }
    }
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option == "--quiet") {
            settings.quiet = true;
            continue;
        }
        if (i + 1 >= arguments.size())
            return fail("unknown option or missing value: " + option);
        const std::string& value = arguments[++i];
        if (option == "--data")
            settings.dataDir = value;
        else if (option == "--config")
            settings.configPath = value;
        else if (option == "--tls")
            settings.tlsFile = value;
        else if (option == "--faults")
            settings.faultsFile = value;
        else if (option == "--listen")
            settings.address = value;
        else if (option == "--port") {
            if (!number(value, 0, 65535, settings.port))
                return fail("--port needs a number from 0 to 65535");
        } else if (option == "--tls-port") {
            if (!number(value, 0, 65535, settings.tlsPort))
                return fail("--tls-port needs a number from 0 to 65535");
        } else if (option == "--upload-limit") {
            if (!whole(value, settings.options.uploadLimitBytes) ||
                settings.options.uploadLimitBytes == 0)
                return fail("--upload-limit needs a number of bytes from 1");
        } else if (option == "--workers") {
            if (!number(value, 1, ProviderServer::MAX_WORKERS, settings.options.workers))
                return fail("--workers needs a number from 1 to " +
                            std::to_string(ProviderServer::MAX_WORKERS));
        } else if (option == "--idle-timeout") {
            if (!number(value, 1, 86400, settings.options.idleTimeoutSeconds))
                return fail("--idle-timeout needs a number of seconds from 1 to 86400");
        } else if (option == "--keep-alive") {
            if (!number(value, 0, 3600, settings.options.keepAliveSeconds))
                return fail("--keep-alive needs a number of seconds from 0 to 3600");
        } else {
            return fail("unknown option: " + option);
        }
    }
    if (settings.dataDir.empty())
        return fail("--data DIR is required");
    if (settings.tlsPort != ProviderServer::NO_PORT && settings.tlsFile.empty())
        return fail("--tls-port needs --tls PEM");
    return result;
}

} // namespace Provider
