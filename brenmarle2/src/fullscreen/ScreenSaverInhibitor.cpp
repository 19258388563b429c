#include "fullscreen/ScreenSaverInhibitor.h"

#include <wx/utils.h>
#include <wx/window.h>

#include "system/Log.h"

// The toolkit's native window, asked of GTK and GDK directly: their headers are not part of
// the build, and these three calls are all that is needed.
extern "C" {
struct _GtkWidget;
struct _GdkWindow;
struct _GTypeInstance;
_GdkWindow* gtk_widget_get_window(_GtkWidget* widget);
unsigned long gdk_x11_window_get_type(void);
unsigned long gdk_x11_window_get_xid(_GdkWindow* window);
int g_type_check_instance_is_a(_GTypeInstance* instance, unsigned long type);
}

namespace {

wxString x11WindowId(wxWindow* window)
{
#ifdef __WXGTK__
    auto* widget = reinterpret_cast<_GtkWidget*>(window->GetHandle());
    _GdkWindow* native = widget ? gtk_widget_get_window(widget) : nullptr;
    if (!native || !g_type_check_instance_is_a(reinterpret_cast<_GTypeInstance*>(native),
                                               gdk_x11_window_get_type()))
        return wxString();
    return wxString::Format(wxS("0x%lx"), gdk_x11_window_get_xid(native));
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
