#pragma once
// The check for a new version of the program, once per start and at most every six hours:
// the text at the update location + application id + "/linux/LATEST_VERSION" (both read from
// "updater.ini" in the program directory) is compared part by part with the running version.
// A reply that is no version number, or longer than one can be, is ignored. When it names a
// newer version, onNewVersion() is called; nothing is downloaded or run.
//
// Keys: "Updater/LastCheckTime" (user configuration); "Updater/UpdateLocation",
// "Updater/ApplicationId" and "Updater/DownloadPage" ("updater.ini").
//
// Threads: check() on the thread (or a test's); start()/stop() from the GUI thread.

#include <chrono>
#include <ctime>
#include <memory>
#include <optional>

#include <wx/string.h>

#include "threads/BackgroundThread.h"
#include "util/VersionNumber.h"

namespace Quorvel {

class Configuration;
class NetworkSettings;

class UpdateSearchThread : public BackgroundThread {
public:
    static constexpr int64_t INTERVAL_SECONDS = 6 * 3600;
    // Longer than any version text.
    static constexpr int64_t MAX_REPLY_BYTES = 64;
    static constexpr const char* LATEST_VERSION_PATH = "/linux/LATEST_VERSION";

    // All three must outlive the thread.
    UpdateSearchThread(Configuration& configuration, NetworkSettings& settings,
                       const wxString& updaterConfigPath, VersionNumber running,
                       std::chrono::milliseconds startDelay = std::chrono::milliseconds(2000));
    ~UpdateSearchThread() override;

    // One check at `now`: the newer version found, or nothing (not due, not newer, no valid
    // reply). Throws what the fetch throws, and RuntimeException for an update location that
    // is no http or https address.
    std::optional<VersionNumber> check(std::time_t now);
    // Where a person gets the new version: "Updater/DownloadPage" when it is an http or https
    // address, else the update location + application id + "/linux/".
    wxString getDownloadPage() const;

protected:
    void work() override;
    // On the thread: a newer version is out. The program's subclass shows a notice.
    virtual void onNewVersion(const VersionNumber& version);

private:
    wxString readUpdater(const char* key) const;

    Configuration& m_configuration;
    NetworkSettings& m_settings;
    const wxString m_updaterConfigPath;
    const VersionNumber m_running;
    const std::chrono::milliseconds m_startDelay;
};

} // namespace Quorvel
