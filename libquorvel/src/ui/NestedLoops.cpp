#include "ui/NestedLoops.h"

#include <wx/evtloop.h>
#include <wx/menu.h>
#include <wx/timer.h>
#include <wx/utils.h>
#include <wx/window.h>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include "system/Log.h"
#include "system/NestedLoop.h"

namespace Quorvel {

namespace {

#ifdef __WXGTK__
// The desktop toolkit's functions are looked up at run time, so the program needs no build
// dependency on its headers.
template <typename Function> Function gtkFunction(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_DEFAULT, name));
}
#endif

// Dismisses a shown pop-up menu: its loop returns as if the user pressed Escape.
void dismissMenu(wxMenu& menu)
{
#ifdef __WXGTK__
    static const auto popdown = gtkFunction<void (*)(void*)>("gtk_menu_popdown");
    if (popdown && menu.m_menu)
        popdown(menu.m_menu);
    menu.m_popupShown = false;
#else
    (void)menu;
#endif
}

void cancelDrag(wxDropSource& source)
{
#ifdef __WXGTK__
    static const auto cancel = gtkFunction<void (*)(void*)>("gtk_drag_cancel");
    if (cancel && source.m_dragContext)
        cancel(source.m_dragContext);
    // The toolkit's loop looks at this after every event.
    source.m_waiting = false;
#else
    (void)source;
#endif
}

} // namespace

bool NestedLoops::popupMenu(wxWindow& window, wxMenu& menu, const wxPoint& position)
{
    NestedLoop loop([&menu] { dismissMenu(menu); });
    if (loop.wasEnded())
        return false;
    return window.PopupMenu(&menu, position);
}

wxDragResult NestedLoops::dragAndDrop(wxDropSource& source, int flags)
{
    NestedLoop loop([&source] { cancelDrag(source); });
    if (loop.wasEnded())
        return wxDragCancel;
    return source.DoDragDrop(flags);
}

NestedLoops::WaitResult NestedLoops::waitUntil(const std::function<bool()>& done,
                                               std::chrono::milliseconds limit, int pollMs)
{
    if (done())
        return WaitResult::DONE;
    wxGUIEventLoop eventLoop;
    WaitResult result = WaitResult::TIMED_OUT;
    NestedLoop loop([&] {
        result = WaitResult::ENDED;
        if (eventLoop.IsRunning())
            eventLoop.Exit();
    });
    if (loop.wasEnded())
        return WaitResult::ENDED;

    wxWindowDisabler disabled;
    wxBusyCursor busy;
    const auto start = std::chrono::steady_clock::now();
    wxTimer poll;
    poll.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        if (done()) {
            result = WaitResult::DONE;
            eventLoop.Exit();
        } else if (limit.count() > 0 && std::chrono::steady_clock::now() - start >= limit) {
            eventLoop.Exit();
        }
    });
    poll.Start(pollMs);
    eventLoop.Run();
    poll.Stop();
    return result;
}

} // namespace Quorvel
