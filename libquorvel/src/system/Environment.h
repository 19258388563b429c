#pragma once
// The folders and files of one program run. Initialised once, by the application object's
// constructor (tests may initialise it again after changing HOME or XDG_DATA_HOME); every getter
// asserts that it was. Folder names end in "/".
//
// Thread-safety: init() on the GUI thread before any other thread starts; getters from any
// thread (the lazily resolved values are guarded by an internal mutex).

#include <wx/string.h>

namespace Quorvel {

class Environment {
public:
    // `ipcName` names the default user data sub-folder; `programDir` holds the executable;
    // `resourceDir` its read-only resources (see ResourceFolder), by default `programDir`.
    static void init(const wxString& ipcName, const wxString& programDir,
                     const wxString& resourceDir = wxString());
    static bool isInitialised();

    static wxString getIpcName();
    static wxString getProgramDir();
    // The global configuration, skin, translations and help lie here (beside the executable
    // in the build folder, share/<IPC name> when installed).
    static wxString getResourceDir();
    // $XDG_DATA_HOME (default ~/.local/share) + "/", created if missing.
    static wxString getAppDataDir();
    // The override folder if one is set, else application-data folder + sub-folder name (or
    // the IPC name) + "/". Resolves the override folder on first use.
    static wxString getUserDataDir();
    // Accepts `name` only when it is non-empty and that folder exists in the application-data
    // folder. Must be called before the user data directory is first asked for.
    static bool setUserDataSubfolder(const wxString& name);
    // First line of "override.dir" (or "override.dir.txt") in the default user data directory.
    // Only an absolute path counts; another value is logged as an error and ignored.
    static wxString getOverrideDir();
    // The user's desktop folder as xdg-user-dir reports it, else ~/Desktop.
    static wxString getDesktopDir();
    // Whether "debug.txt" lies on the desktop (checked once).
    static bool isDebug();
    // Where the single-instance lock and socket live: $XDG_RUNTIME_DIR if set, else the user
    // data directory.
    static wxString getRuntimeDir();

    static wxString getGlobalConfigPath();
    static wxString getUserConfigPath();
    static wxString getPreferencesPath();
    static wxString getDatabasePath();
    static wxString getThumbnailDir();
    static wxString getNetworkSettingsPath();
    static wxString getSkinDir();
    static wxString getUpdaterConfigPath();

private:
    static void checkInitialised();
};

} // namespace Quorvel
