#include "service/PluginUpdateCheck.h"

#include <wx/datetime.h>

#include "system/Configuration.h"
#include "system/Log.h"
#include "util/VersionNumber.h"

namespace Brenmarle {

namespace {

const char* const LAST_CHECK_TIME = "PluginUpdates/LastCheckTime";
const char* const UPDATE_TIME = "PluginUpdates/UpdateTime";
const char* const SUFFIXES[] = {"", "Version", "Repository", "Description", "Title"};

void removeList(Quorvel::ConfigFile& user, const wxString& prefix)
{
    for (int i = 1; user.hasEntry(wxString::Format("%s%d", prefix, i)); ++i)
        for (const char* suffix : SUFFIXES)
            user.removeEntry(wxString::Format("%s%d%s", prefix, i, suffix));
}

void storeList(Quorvel::ConfigFile& user, const wxString& prefix,
               const std::vector<VManagerClient_1_0::PluginInfo>& infos)
{
    removeList(user, prefix);
    int number = 0;
    for (const auto& info : infos) {
        if (info.packageId.empty() || !Quorvel::VersionNumber::parse(info.version)) {
            QDEBUG("[UPDATENEWSTHREAD] Ignoring plug-in entry '%s' version '%s'",
                   info.packageId.Left(80), info.version.Left(40));
            continue;
        }
        if (static_cast<size_t>(number) >= PluginUpdateCheck::MAX_ENTRIES)
            break;
        const wxString key = wxString::Format("%s%d", prefix, ++number);
        user.writeString(key, info.packageId);
        user.writeString(key + "Version", info.version);
        user.writeString(key + "Repository", info.repository);
        user.writeString(key + "Description", info.messageBody);
        user.writeString(key + "Title", info.messageTitle);
    }
}

} // namespace

bool PluginUpdateCheck::isDue(Quorvel::Configuration& configuration, std::time_t now)
{
    wxDateTime last;
    if (!configuration.getUserConfig().readDate(LAST_CHECK_TIME, last) || !last.IsValid())
        return true;
    const std::time_t lastTime = last.GetTicks();
    return !(lastTime <= now && now - lastTime < SKIP_SECONDS);
}

void PluginUpdateCheck::run(Quorvel::Configuration& configuration, VManagerClient_1_0& client,
                            const wxString& version, const wxString& portalId, std::time_t now)
{
    const wxString installId = configuration.getInstallId();
    store(configuration, client.getPluginUpdates(installId, "linux", version, portalId), now);
}

void PluginUpdateCheck::store(Quorvel::Configuration& configuration,
                              const VManagerClient_1_0::PluginUpdates& updates, std::time_t now)
{
    Quorvel::Configuration::Lock lock(configuration.getLock());
    Quorvel::ConfigFile& user = configuration.getUserConfig();
    storeList(user, "PluginUpdates/ReqUpdate", updates.requiredUpdates);
    storeList(user, "PluginUpdates/RecUpdate", updates.recommendedUpdates);
    storeList(user, "PluginUpdates/RecInstall", updates.recommendedInstalls);
    user.writeDate(UPDATE_TIME, wxDateTime(now));
    user.writeDate(LAST_CHECK_TIME, wxDateTime(now));
    configuration.flushUserConfig();
}

} // namespace Brenmarle
