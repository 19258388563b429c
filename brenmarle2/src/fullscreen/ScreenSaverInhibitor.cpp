#include "fullscreen/ScreenSaverInhibitor.h"

#include <dlfcn.h>

#include <wx/utils.h>
#include <wx/window.h>

#include "system/Log.h"

namespace {

// The toolkit's native window, asked of GTK and GDK, which the toolkit has loaded already: their
// development files are not part of the build, and these four calls are all that is needed.
// Looked up at run time, so a toolkit without X11 support simply has no id to give.
template <typename F> F gtkFunction(const char* name)
{
    return reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

wxString x11WindowId(wxWindow* window)
{
#ifdef __WXGTK__
    using GetWindow = void* (*)(void*);
    using GetType = unsigned long (*)();
    using GetXid = unsigned long (*)(void*);
    using IsA = int (*)(void*, unsigned long);
    const auto getWindow = gtkFunction<GetWindow>("gtk_widget_get_window");
    const auto x11Type = gtkFunction<GetType>("gdk_x11_window_get_type");
    const auto getXid = gtkFunction<GetXid>("gdk_x11_window_get_xid");
    const auto isA = gtkFunction<IsA>("g_type_check_instance_is_a");
    void* widget = window->GetHandle();
    if (!getWindow || !x11Type || !getXid || !isA || !widget)
        return wxString();
    void* native = getWindow(widget);
    if (!native || !isA(native, x11Type()))
        return wxString();
    return wxString::Format(wxS("0x%lx"), getXid(native));
#else
    (void)window;
    return wxString();
#endif
}

} // namespace

ScreenSaverInhibitor::ScreenSaverInhibitor(wxWindow* window) : m_windowId(x11WindowId(window))
{
    if (m_windowId.empty()) {
        QDEBUG("[SCREENSAVER] No X11 window: the screen saver is left alone");
        return;
    }
    m_suspended = run(wxS("suspend"), m_windowId);
}

ScreenSaverInhibitor::~ScreenSaverInhibitor()
{
    if (m_suspended)
        run(wxS("resume"), m_windowId);
}

bool ScreenSaverInhibitor::run(const wxString& verb, const wxString& windowId)
{
    const wxString command = wxS("xdg-screensaver ") + verb + wxS(" ") + windowId;
    QDEBUG("[SCREENSAVER] %s", command);
    // Asynchronous: "suspend" keeps a helper running until "resume" or the window goes.
    if (wxExecute(command, wxEXEC_ASYNC | wxEXEC_HIDE_CONSOLE) <= 0) {
        QDEBUG("[SCREENSAVER] Could not run %s", command);
        return false;
    }
    return true;
}
