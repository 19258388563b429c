#pragma once
// The program's place in the desktop: its desktop entries, default-handler registration for
// JPEG pictures and camera media (through xdg-mime), and their removal when the program is
// uninstalled.

#include <wx/string.h>

class DesktopIntegration {
public:
    // `programPath` is the executable; `displayName` names the entries.
    DesktopIntegration(const wxString& programPath, const wxString& displayName);

    static constexpr const char* PICTURE_ENTRY = "vistrelle.desktop";
    static constexpr const char* CAMERA_ENTRY = "vistrelle-camera.desktop";

    // Installs the entry and makes the program the default for image/jpeg (which covers the
    // .jpg, .jpe and .jpeg extensions). Returns false and logs when a step fails. An installed
    // program whose entry the desktop sees (installedEntry()) only makes that entry the default.
    bool registerPictureHandler();
    // The same for camera media (x-content/image-dcf), started with --camera.
    bool registerCameraHandler();
    // Removes the entries from the applications folder and the desktop, the program's lines
    // from mimeapps.list and the "brenmarle-*" helper programs from the program directory.
    void removeInstallation(const wxString& programDir);

    static wxString applicationsDir();
    static wxString mimeAppsListPath();
    // The desktop entry installed with the program (<prefix>/share/applications beside its
    // bin/), when that share folder is one the desktop reads ($XDG_DATA_HOME or
    // $XDG_DATA_DIRS); else empty.
    wxString installedEntry() const;

private:
    bool installEntry(const wxString& fileName, const wxString& exec, const wxString& mimeType);

    wxString m_programPath;
    wxString m_displayName;
};
