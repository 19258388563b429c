#include "service/UpdateNewsThread.h"

#include "service/AccountSettings.h"
#include "service/PluginUpdateCheck.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

UpdateNewsThread::UpdateNewsThread(Quorvel::Configuration& configuration,
                                   Quorvel::NetworkSettings& settings, VManagerClient_1_0& vmanager,
                                   const wxString& version, Timing timing)
    : m_configuration(configuration), m_news(configuration, settings), m_vmanager(vmanager),
      m_version(version), m_timing(timing)
{
}

UpdateNewsThread::~UpdateNewsThread()
{
    stop();
}

void UpdateNewsThread::onStop()
{
    m_news.interrupt();
    m_vmanager.interrupt();
}

bool UpdateNewsThread::waitForAccount()
{
    while (!AccountSettings::read(m_configuration).exists())
        if (!waitFor(m_timing.accountPoll))
            return false;
    return true;
}

void UpdateNewsThread::checkPluginUpdates()
{
    try {
        const std::time_t now = std::time(nullptr);
        if (PluginUpdateCheck::isDue(m_configuration, now))
            PluginUpdateCheck::run(m_configuration, m_vmanager, m_version,
                                   AccountSettings::read(m_configuration).portalId, now);
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[UPDATENEWSTHREAD] Exception: %s", e.getMessage());
    }
}

void UpdateNewsThread::work()
{
    if (!waitFor(m_timing.startDelay) || !waitForAccount())
        return;
    checkPluginUpdates();
    while (!isStopping()) {
        try {
            const NewsCheck::Outcome outcome = m_news.run(std::time(nullptr));
            if (outcome == NewsCheck::Outcome::NoAccount) {
                if (!waitForAccount())
                    return;
                continue;
            }
            if (outcome == NewsCheck::Outcome::Updated && m_newsListener)
                m_newsListener();
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[UPDATENEWSTHREAD] Exception: %s", e.getMessage());
        }
        if (!waitFor(m_timing.interval))
            return;
    }
}

} // namespace Brenmarle
