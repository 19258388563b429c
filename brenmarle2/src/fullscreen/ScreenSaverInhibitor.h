#pragma once
// Keeps the desktop's screen saver off while a window shows something to watch: runs
// "xdg-screensaver suspend" on the window's X11 id, and "resume" when destroyed. On a desktop
// without X11 windows, or without xdg-screensaver, nothing happens (logged).

#include <wx/string.h>

class wxWindow;

class ScreenSaverInhibitor {
public:
    // `window` must be shown (it needs its native window).
    explicit ScreenSaverInhibitor(wxWindow* window);
    ~ScreenSaverInhibitor();
    ScreenSaverInhibitor(const ScreenSaverInhibitor&) = delete;
    ScreenSaverInhibitor& operator=(const ScreenSaverInhibitor&) = delete;

    // The window id handed to xdg-screensaver ("0x..."); empty when none.
    const wxString& getWindowId() const { return m_windowId; }

private:
    static bool run(const wxString& verb, const wxString& windowId);
    wxString m_windowId;
    bool m_suspended = false;
};
