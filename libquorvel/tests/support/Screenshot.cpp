#include "Screenshot.h"

#include <cstdlib>
#include <memory>

#include <gtk/gtk.h>
#include <wx/toplevel.h>
#include <wx/window.h>

#include "WaitUntil.h"

bool saveScreenshot(wxWindow& window, const wxString& path)
{
    const wxRect area = window.GetScreenRect();
    GdkWindow* root = gdk_get_default_root_window();
    if (!root || area.IsEmpty())
        return false;
    const std::unique_ptr<GdkPixbuf, void (*)(gpointer)> picture(
        gdk_pixbuf_get_from_window(root, area.x, area.y, area.width, area.height), g_object_unref);
    return picture && gdk_pixbuf_save(picture.get(), path.utf8_str(), "png", nullptr, nullptr);
}

void shootIfAsked(wxWindow& window, const wxString& name)
{
    const char* folder = std::getenv("VISTRELLE_SHOTS");
    if (!folder)
        return;
    // Drawing happens when GTK's frame clock says: wait until the window has been drawn anew.
    GtkWidget* top = wxGetTopLevelParent(&window)->m_widget;
    bool drawn = false;
    const gulong handler =
        g_signal_connect_after(top, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t*, gpointer flag) {
                                   *static_cast<bool*>(flag) = true;
                                   return FALSE;
                               }),
                               &drawn);
    window.Raise();
    gtk_widget_queue_draw(top);
    waitUntil([&drawn] { return drawn; });
    g_signal_handler_disconnect(top, handler);
    waitUntil([] { return true; }); // the frame ends and reaches the server
    gdk_display_sync(gdk_display_get_default());
    saveScreenshot(window, wxString(folder) + "/" + name + ".png");
}
