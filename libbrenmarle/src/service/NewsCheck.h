#pragma once
// One check for the news of the account's provider, as the news thread makes it every ten
// minutes: due when the last check is unknown, twelve hours old, or was for another portal.
// The news page goes to "portals/<id>/news.html" in the user data directory, written whole
// or not at all; the pictures it refers to (its resources) go beside it under their own file
// names, taken only when they are plain names (isResourceName). With no account nothing is
// sent anywhere.
//
// Keys (user configuration): "News/LastCheckTime", "News/UpdateTime", "News/ExpiryTime",
// "News/PortalId".
//
// Threads: run() on the news thread; interrupt() from any thread. Holds the configuration
// lock while it reads or writes keys, never during a call. m_clientLock guards m_client.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <mutex>
#include <vector>

#include <wx/string.h>

#include "service/PortalClient_3_0.h"

namespace Quorvel {
class Configuration;
} // namespace Quorvel

namespace Brenmarle {

class NewsCheck {
public:
    static constexpr int64_t INTERVAL_SECONDS = 12 * 3600;
    static constexpr int64_t MAX_RESOURCE_BYTES = 4 * 1024 * 1024;
    static constexpr size_t MAX_RESOURCES = 32;
    static constexpr size_t MAX_RESOURCE_NAME = 100;
    static constexpr const char* NEWS_FILE = "news.html";

    enum class Outcome { NoAccount, NotDue, Unchanged, Updated };

    // Both must outlive the check.
    NewsCheck(Quorvel::Configuration& configuration, Quorvel::NetworkSettings& settings);

    // Throws what the portal call, the folder ("Could not create portal directory for news")
    // or writing the page throws; a resource that cannot be fetched is logged and left out.
    Outcome run(std::time_t now);

    // A file name of letters, digits, "-", "_" and inner dots, not "news.html", at most
    // MAX_RESOURCE_NAME long: nothing that leaves the folder or hides in it.
    static bool isResourceName(const wxString& name);

    // Ends the call under way and makes every later run() throw AbortException.
    void interrupt();

private:
    void fetchResources(const std::vector<wxString>& addresses, const wxString& folder);

    Quorvel::Configuration& m_configuration;
    Quorvel::NetworkSettings& m_settings;
    std::atomic<bool> m_interrupted{false};
    std::mutex m_clientLock;
    Quorvel::Ref<PortalClient_3_0> m_client;
};

} // namespace Brenmarle
