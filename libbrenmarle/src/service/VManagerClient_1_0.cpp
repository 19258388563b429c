#include "service/VManagerClient_1_0.h"

#include "SoapVManagerH.h"
#include "service/NetworkSettings.h"
#include "service/SoapNamespaces.h"
#include "service/SoapText.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

constexpr auto* text = &Quorvel::SoapText::fromWire;
constexpr auto* bytes = &Quorvel::SoapText::toWire;

std::vector<VManagerClient_1_0::PluginInfo> copy(const SoapVManager::PluginInfoArray* array)
{
    std::vector<VManagerClient_1_0::PluginInfo> infos;
    for (int i = 0; array && i < array->__size; ++i) {
        const auto& item = array->__ptr[i];
        infos.push_back({text(item.messagetitle), text(item.messagebody), text(item.packageid),
                         text(item.version), text(item.repository)});
    }
    return infos;
}

} // namespace

VManagerClient_1_0::VManagerClient_1_0(Quorvel::NetworkSettings& settings)
    : GSoapClient("vmanager", SERVICE_PATH, settings)
{
    setAddress({HOST_PREFIX + Quorvel::SoapNamespaces::getServiceDomain(), 80, "", ""});
}

VManagerClient_1_0::VManagerClient_1_0() : VManagerClient_1_0(Quorvel::NetworkSettings::get()) {}

VManagerClient_1_0::PluginUpdates VManagerClient_1_0::getPluginUpdates(const wxString& installId,
                                                                       const wxString& distribution,
                                                                       const wxString& version,
                                                                       const wxString& portalId)
{
    Call call(*this, "getPluginUpdates");
    SoapVManager::vmanager__getPluginUpdatesResponse reply;
    call.check(SoapVManager::soap_call_vmanager__getPluginUpdates(
        call.context(), call.endpoint(), "", bytes(installId), bytes(distribution), bytes(version),
        bytes(portalId), reply));
    QDEBUG("[VMANAGERCLIENT] Call was successful");
    return {copy(reply.recinstall), copy(reply.recupdate), copy(reply.requpdate)};
}

} // namespace Brenmarle
