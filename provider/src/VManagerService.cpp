// The plug-in manager service: the plug-ins of the configuration a program should install or
// update, in the three lists the program asks for.

#include <algorithm>
#include <vector>

#include "ProviderRequest.h"
#include "ProviderVManagerH.h"

using Provider::ProviderConfig;
using Provider::ProviderRequest;

namespace ProviderVManager {
namespace {

// The configured plug-ins of `list` meant for a program with an account on `portalId` (empty
// when it has none), sorted by package id.
PluginInfoArray* pluginsOf(struct soap* soap, const ProviderConfig& config,
                           ProviderConfig::Plugin::List list, const std::string& portalId)
{
    std::vector<const ProviderConfig::Plugin*> chosen;
    for (const auto& [id, plugin] : config.plugins) {
        const bool forPortal = plugin.portals.empty() ||
                               std::find(plugin.portals.begin(), plugin.portals.end(), portalId) !=
                                   plugin.portals.end();
        if (plugin.list == list && forPortal)
            chosen.push_back(&plugin);
    }
    auto* array = soap_new_PluginInfoArray(soap);
    array->__size = static_cast<int>(chosen.size());
    array->__ptr = chosen.empty() ? nullptr : soap_new_vmanager__PluginInfo(soap, array->__size);
    for (size_t i = 0; i < chosen.size(); ++i) {
        vmanager__PluginInfo& info = array->__ptr[i];
        info.messagetitle = chosen[i]->title;
        info.messagebody = chosen[i]->body;
        info.packageid = chosen[i]->packageId;
        info.version = chosen[i]->version;
        info.repository = chosen[i]->repository;
    }
    return array;
}

} // namespace
} // namespace ProviderVManager

int ProviderVManager::vmanager__getPluginUpdates(struct soap* soap, std::string installid,
                                                 std::string distribution, std::string version,
                                                 std::string portalid,
                                                 vmanager__getPluginUpdatesResponse& result)
{
    ProviderRequest& request = ProviderRequest::of(soap);
    request.arguments({{"installid", installid},
                       {"distribution", distribution},
                       {"version", version},
                       {"portalid", portalid}});
    request.log("getPluginUpdates('" + distribution + "', '" + version + "', '" + portalid + "')");
    const ProviderConfig& config = request.config();
    // A portal this provider does not have gets what every program gets.
    const std::string portal = config.findPortal(portalid) ? portalid : std::string();
    using List = ProviderConfig::Plugin::List;
    result.recinstall = pluginsOf(soap, config, List::RecommendedInstall, portal);
    result.recupdate = pluginsOf(soap, config, List::RecommendedUpdate, portal);
    result.requpdate = pluginsOf(soap, config, List::RequiredUpdate, portal);
    return SOAP_OK;
}
