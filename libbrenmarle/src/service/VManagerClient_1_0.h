#pragma once
// Client of the operator's plug-in manager service: which plug-ins this installation should
// install or update. It addresses the operator's host ("vmanager." and the operator's domain)
// on port 80 when made; setAddress() points it elsewhere.
//
// Threads: one thread at a time, except interrupt() (GSoapClient).

#include <vector>

#include <wx/string.h>

#include "service/GSoapClient.h"

namespace Brenmarle {

class VManagerClient_1_0 : public Quorvel::GSoapClient {
public:
    static constexpr const char* SERVICE_PATH = "/service/vmanager/1.0/";
    static constexpr const char* HOST_PREFIX = "vmanager.";

    struct PluginInfo {
        wxString messageTitle;
        wxString messageBody;
        wxString packageId;
        wxString version;
        wxString repository;
    };
    struct PluginUpdates {
        // Recommended for installation, updates recommended, updates required.
        std::vector<PluginInfo> recommendedInstalls;
        std::vector<PluginInfo> recommendedUpdates;
        std::vector<PluginInfo> requiredUpdates;
    };

    explicit VManagerClient_1_0(Quorvel::NetworkSettings& settings);
    VManagerClient_1_0();

    // Throws SoapException when the call fails.
    PluginUpdates getPluginUpdates(const wxString& installId, const wxString& distribution,
                                   const wxString& version, const wxString& portalId);
};

} // namespace Brenmarle
