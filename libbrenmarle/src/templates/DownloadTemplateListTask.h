#pragma once
// Downloads the provider's template list: asks the portal for the list's address and fetches
// it into "templatelist.xml" in the portal's folder (TemplateDownload), which keeps the
// previous list unless the new one arrived whole. Progress "Updating list of templates",
// 0 to 1000.
//
// Threads: made on the GUI thread, run on a task runner; getUrl() after the finished event;
// abort() from any thread ends the portal call or the transfer under way.

#include <cstdint>
#include <mutex>

#include <wx/string.h>

#include "service/PortalClient_3_0.h"
#include "threads/Task.h"

namespace Quorvel {
class NetworkSettings;
}

namespace Brenmarle {

class DownloadTemplateListTask : public Quorvel::Task {
public:
    // A list larger than this is no list of templates.
    static constexpr int64_t MAX_BYTES = 16 * 1024 * 1024;

    // `client` reaches the account's portal; `portalFolder` is the portal's folder (ending in
    // "/", created when missing); `settings` must outlive the task.
    DownloadTemplateListTask(const Quorvel::Ref<PortalClient_3_0>& client,
                             const wxString& portalFolder, Quorvel::NetworkSettings& settings,
                             int32_t id = -1);

    // Throws RuntimeException "We're sorry, but we do not have any available products" for
    // an empty address, "Could not create portal directory for template", what the portal
    // call and TemplateDownload::fetch throw.
    void run() override;

    // The address the list came from.
    wxString getUrl() const;
    wxString getPath() const;

protected:
    void onAbort() override;

private:
    Quorvel::Ref<PortalClient_3_0> m_client;
    const wxString m_folder;
    Quorvel::NetworkSettings& m_settings;
    mutable std::mutex m_mutex; // guards m_url
    wxString m_url;
};

} // namespace Brenmarle
