#include "threads/UpdateSearchThread.h"

#include <wx/datetime.h>
#include <wx/intl.h>

#include "service/HTTPClient.h"
#include "service/WebAddress.h"
#include "system/ConfigFile.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Quorvel {

namespace {

const char* const LAST_CHECK_TIME = "Updater/LastCheckTime";

bool isWebAddress(const wxString& url)
{
    try {
        WebAddress::parse(url);
        return true;
    } catch (const Exception&) {
        return false;
    }
}

} // namespace

UpdateSearchThread::UpdateSearchThread(Configuration& configuration, NetworkSettings& settings,
                                       const wxString& updaterConfigPath, VersionNumber running,
                                       std::chrono::milliseconds startDelay)
    : m_configuration(configuration), m_settings(settings), m_updaterConfigPath(updaterConfigPath),
      m_running(std::move(running)), m_startDelay(startDelay)
{
}

UpdateSearchThread::~UpdateSearchThread()
{
    stop();
}

wxString UpdateSearchThread::readUpdater(const char* key) const
{
    ConfigFile updater(m_updaterConfigPath);
    wxString value;
    updater.readString(key, value, wxString());
    return value.Trim(true).Trim(false);
}

std::optional<VersionNumber> UpdateSearchThread::check(std::time_t now)
{
    {
        Configuration::Lock lock(m_configuration.getLock());
        wxDateTime last;
        if (m_configuration.getUserConfig().readDate(LAST_CHECK_TIME, last) && last.IsValid() &&
            last.GetTicks() <= now && now - last.GetTicks() < INTERVAL_SECONDS)
            return std::nullopt;
    }
    QDEBUG("[UPDATESEARCHTHREAD] Yes - check for new version");
    QDEBUG("[UPDATESEARCHTHREAD] Starting...");
    const wxString url = readUpdater("Updater/UpdateLocation") +
                         readUpdater("Updater/ApplicationId") + LATEST_VERSION_PATH;
    if (!isWebAddress(url))
        throw RuntimeException(wxString::Format(_("Invalid update location: %s"),
                                                WebAddress::printable(url.Left(200))));
    HTTPClient http(m_settings);
    http.setAbortCheck([this] { return isStopping(); });
    wxString reply;
    http.fetchToString(url, reply, true, nullptr, MAX_REPLY_BYTES);
    {
        Configuration::Lock lock(m_configuration.getLock());
        m_configuration.getUserConfig().writeDate(LAST_CHECK_TIME, wxDateTime(now));
        m_configuration.flushUserConfig();
    }
    const std::optional<VersionNumber> latest = VersionNumber::parse(reply);
    if (!latest) {
        QDEBUG("[UPDATESEARCHTHREAD] Ignoring reply that is no version: %s",
               WebAddress::printable(reply.Left(MAX_REPLY_BYTES)));
        return std::nullopt;
    }
    if (!latest->isNewerThan(m_running))
        return std::nullopt;
    QDEBUG("[UPDATESEARCHTHREAD] New version %s", latest->toString());
    return latest;
}

wxString UpdateSearchThread::getDownloadPage() const
{
    const wxString page = readUpdater("Updater/DownloadPage");
    if (isWebAddress(page))
        return page;
    return readUpdater("Updater/UpdateLocation") + readUpdater("Updater/ApplicationId") + "/linux/";
}

void UpdateSearchThread::work()
{
    if (!waitFor(m_startDelay))
        return;
    try {
        if (const auto latest = check(std::time(nullptr)))
            onNewVersion(*latest);
    } catch (const Exception& e) {
        QDEBUG("[UPDATESEARCHTHREAD] Exception: %s", e.getMessage());
    }
}

void UpdateSearchThread::onNewVersion(const VersionNumber& version)
{
    QDEBUG("[UPDATESEARCHTHREAD] Version %s is out", version.toString());
}

} // namespace Quorvel
