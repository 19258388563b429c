#pragma once
// The desktop's wallpaper, written through GSettings ("org.gnome.desktop.background"), the
// setting GNOME and the desktops that follow it read.
//
// Talks to GSettings in-process: asking a `gsettings` child instead blocked the main window
// for as long as the child took (for ever when it hung), and a path with a quote in it broke
// the command line.

#include <wx/string.h>

typedef struct _GSettingsBackend GSettingsBackend;

class DesktopWallpaper {
public:
    // `backend` null is the desktop's own settings; tests pass a memory backend.
    explicit DesktopWallpaper(GSettingsBackend* backend = nullptr);

    // Whether this desktop has the setting (its schema is installed with the key we write).
    bool isAvailable() const;
    // Shows the picture at `path` as the wallpaper, for the light and, where the desktop has
    // one, the dark style. False with `error` filled when the setting is missing or refused.
    bool set(const wxString& path, wxString& error) const;

    static constexpr const char* SCHEMA = "org.gnome.desktop.background";

private:
    GSettingsBackend* m_backend;
};
