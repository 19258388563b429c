#pragma once
// The splash shown while a plug-in starts: the splash picture, the vendor's logo, the maker, the
// plug-in's title and "Loading application...". It goes away by itself as soon as the plug-in
// creates its close file, or when the time runs out, whichever comes first.
//
// GUI thread. Destroys itself.

#include <chrono>

#include <wx/timer.h>

#include "widgets/SplashScreen2.h"

class PluginSplash : public Quorvel::SplashScreen2 {
public:
    PluginSplash(const wxBitmap& background, const wxBitmap& vendor, const wxString& maker,
                 const wxString& title, const wxString& closeFile, int timeoutMs);

    // Whether a splash waiting for `closeFile` since `elapsedMs` ago should close.
    static bool shouldClose(const wxString& closeFile, long elapsedMs, int timeoutMs);

private:
    void onTimer(wxTimerEvent& event);

    wxString m_closeFile;
    int m_timeoutMs;
    std::chrono::steady_clock::time_point m_start;
    wxTimer m_timer;
};
