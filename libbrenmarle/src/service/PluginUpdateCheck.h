#pragma once
// The check for plug-in updates, made once when the news thread starts: the plug-in manager's
// three lists stored as numbered keys of the user configuration, from 1 up to the first gap
// ("PluginUpdates/ReqUpdate%d" holds the package id, with the suffixes "Version",
// "Repository", "Description" and "Title"; the same for "RecUpdate" and "RecInstall"), with
// "PluginUpdates/UpdateTime" and "PluginUpdates/LastCheckTime". An entry without a package id
// or with a version that is no version number is left out; the lists of the previous check go.
//
// Threads: the news thread; holds the configuration lock while it writes the keys.

#include <ctime>

#include "service/VManagerClient_1_0.h"

namespace Quorvel {
class Configuration;
}

namespace Brenmarle {

class PluginUpdateCheck {
public:
    // A check within this many seconds of the last one is not repeated.
    static constexpr int SKIP_SECONDS = 3;
    // At most this many entries of each list are kept.
    static constexpr size_t MAX_ENTRIES = 100;

    static bool isDue(Quorvel::Configuration& configuration, std::time_t now);
    // Asks `client` and stores the lists. Throws SoapException when the call fails, leaving
    // the stored lists as they were.
    static void run(Quorvel::Configuration& configuration, VManagerClient_1_0& client,
                    const wxString& version, const wxString& portalId, std::time_t now);
    static void store(Quorvel::Configuration& configuration,
                      const VManagerClient_1_0::PluginUpdates& updates, std::time_t now);
};

} // namespace Brenmarle
