#pragma once
// The news and plug-in update thread, started with the main window: once an account is
// known it checks for plug-in updates (PluginUpdateCheck), then for the provider's news
// (NewsCheck) every ten minutes, waiting in short steps while there is no account. Without an
// account nothing is sent anywhere. Failures are logged and tried again at the next round.
//
// Threads: start()/stop() from the GUI thread; the checks on the thread. stop() interrupts a
// call under way. m_clientLock guards m_client.

#include <chrono>
#include <functional>
#include <mutex>

#include <wx/string.h>

#include "service/NewsCheck.h"
#include "service/VManagerClient_1_0.h"
#include "threads/BackgroundThread.h"

namespace Brenmarle {

class UpdateNewsThread : public Quorvel::BackgroundThread {
public:
    struct Timing {
        std::chrono::milliseconds startDelay{2000};
        std::chrono::milliseconds accountPoll{300};
        std::chrono::milliseconds interval{600000};
    };
    // Called on the thread after news were stored.
    using NewsListener = std::function<void()>;

    // All must outlive the thread. `version` is the running program's; `vmanager` the
    // plug-in manager's client (addressed by its owner).
    UpdateNewsThread(Quorvel::Configuration& configuration, Quorvel::NetworkSettings& settings,
                     VManagerClient_1_0& vmanager, const wxString& version, Timing timing);
    ~UpdateNewsThread() override;

    void setNewsListener(NewsListener listener) { m_newsListener = std::move(listener); }

protected:
    void work() override;
    void onStop() override;

private:
    bool waitForAccount();
    void checkPluginUpdates();

    Quorvel::Configuration& m_configuration;
    NewsCheck m_news;
    VManagerClient_1_0& m_vmanager;
    const wxString m_version;
    const Timing m_timing;
    NewsListener m_newsListener;
};

} // namespace Brenmarle
