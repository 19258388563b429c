#include "plugins/PluginSplash.h"

#include <wx/filefn.h>
#include <wx/intl.h>

namespace {
// How often the splash looks for its close file.
constexpr int CHECK_INTERVAL_MS = 100;
} // namespace

PluginSplash::PluginSplash(const wxBitmap& background, const wxBitmap& vendor,
                           const wxString& maker, const wxString& title, const wxString& closeFile,
                           int timeoutMs)
    : Quorvel::SplashScreen2(background, wxBitmap(), vendor,
                             title + "\n" + _("Loading application..."), maker),
      m_closeFile(closeFile), m_timeoutMs(timeoutMs), m_start(std::chrono::steady_clock::now()),
      m_timer(this)
{
    Bind(wxEVT_TIMER, &PluginSplash::onTimer, this);
    m_timer.Start(CHECK_INTERVAL_MS);
}

bool PluginSplash::shouldClose(const wxString& closeFile, long elapsedMs, int timeoutMs)
{
    return elapsedMs >= timeoutMs || wxFileExists(closeFile);
}

void PluginSplash::onTimer(wxTimerEvent&)
{
    const long elapsed = static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now() - m_start)
                                               .count());
    if (!shouldClose(m_closeFile, elapsed, m_timeoutMs))
        return;
    m_timer.Stop();
    Destroy();
}
