#include "WaitUntil.h"

#include <chrono>

#include <wx/app.h>
#include <wx/evtloop.h>

bool waitUntil(const std::function<bool()>& condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    // The tests run without a main loop; this one is only stepped, never run.
    wxGUIEventLoop loop;
    for (;;) {
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        // Returns as soon as something (a timer, a posted event waking the loop) happened.
        loop.DispatchTimeout(10);
    }
}
