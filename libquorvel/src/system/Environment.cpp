#include "system/Environment.h"

#include <mutex>
#include <optional>

#include <wx/dir.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/intl.h>
#include <wx/log.h>
#include <wx/textfile.h>
#include <wx/utils.h>

namespace Quorvel {

namespace {

struct State {
    bool initialised = false;
    wxString ipcName;
    wxString programDir;
    wxString resourceDir;
    wxString subfolder;
    std::optional<wxString> overrideDir;
    std::optional<bool> debug;
};

std::mutex& stateMutex()
{
    static std::mutex mutex;
    return mutex;
}

State& state()
{
    static State s;
    return s;
}

wxString withSlash(const wxString& dir)
{
    if (dir.empty() || dir.EndsWith("/"))
        return dir;
    return dir + "/";
}

wxString homeDir()
{
    wxString home;
    if (wxGetEnv("HOME", &home) && !home.empty())
        return withSlash(home);
    return withSlash(wxGetHomeDir());
}

wxString firstLineOf(const wxString& path)
{
    wxTextFile file;
    if (!wxFileExists(path) || !file.Open(path) || file.GetLineCount() == 0)
        return wxString();
    return file.GetFirstLine().Trim().Trim(false);
}

wxString defaultUserDataDir(const State& s)
{
    return Environment::getAppDataDir() + (s.subfolder.empty() ? s.ipcName : s.subfolder) + "/";
}

// Reads XDG_<NAME>_DIR from user-dirs.dirs the way xdg-user-dir does: a quoted value in which
// "$HOME" at the start stands for the home folder.
std::optional<wxString> xdgUserDir(const wxString& name)
{
    wxString configHome;
    if (!wxGetEnv("XDG_CONFIG_HOME", &configHome) || configHome.empty())
        configHome = homeDir() + ".config";
    wxTextFile file;
    const wxString path = withSlash(configHome) + "user-dirs.dirs";
    if (!wxFileExists(path) || !file.Open(path))
        return std::nullopt;
    const wxString key = "XDG_" + name + "_DIR=";
    for (wxString line = file.GetFirstLine(); !file.Eof(); line = file.GetNextLine()) {
        line.Trim(false);
        if (!line.StartsWith(key))
            continue;
        wxString value = line.Mid(key.length()).Trim();
        if (value.StartsWith("\"") && value.EndsWith("\"") && value.length() >= 2)
            value = value.Mid(1, value.length() - 2);
        if (value.StartsWith("$HOME"))
            value = homeDir() + value.Mid(5).AfterFirst('/');
        if (!value.StartsWith("/"))
            return std::nullopt;
        return withSlash(value);
    }
    return std::nullopt;
}

} // namespace

void Environment::init(const wxString& ipcName, const wxString& programDir,
                       const wxString& resourceDir)
{
    std::lock_guard<std::mutex> lock(stateMutex());
    State& s = state();
    s = State();
    s.ipcName = ipcName;
    s.programDir = withSlash(programDir);
    s.resourceDir = resourceDir.empty() ? s.programDir : withSlash(resourceDir);
    s.initialised = true;
}

bool Environment::isInitialised()
{
    std::lock_guard<std::mutex> lock(stateMutex());
    return state().initialised;
}

void Environment::checkInitialised()
{
    wxASSERT_MSG(isInitialised(), "Environment::init() must run first (Environment.cpp)");
}

wxString Environment::getIpcName()
{
    checkInitialised();
    std::lock_guard<std::mutex> lock(stateMutex());
    return state().ipcName;
}

wxString Environment::getProgramDir()
{
    checkInitialised();
    std::lock_guard<std::mutex> lock(stateMutex());
    return state().programDir;
}

wxString Environment::getResourceDir()
{
    checkInitialised();
    std::lock_guard<std::mutex> lock(stateMutex());
    return state().resourceDir;
}

wxString Environment::getAppDataDir()
{
    wxString dataHome;
    if (!wxGetEnv("XDG_DATA_HOME", &dataHome) || !dataHome.StartsWith("/"))
        dataHome = homeDir() + ".local/share";
    dataHome = withSlash(dataHome);
    if (!wxDirExists(dataHome))
        wxFileName::Mkdir(dataHome, 0700, wxPATH_MKDIR_FULL);
    return dataHome;
}

bool Environment::setUserDataSubfolder(const wxString& name)
{
    checkInitialised();
    if (name.empty() || !wxDirExists(getAppDataDir() + name))
        return false;
    std::lock_guard<std::mutex> lock(stateMutex());
    state().subfolder = name;
    return true;
}

wxString Environment::getOverrideDir()
{
    checkInitialised();
    wxString refused;
    wxString file;
    wxString dir;
    wxString result;
    {
        std::lock_guard<std::mutex> lock(stateMutex());
        State& s = state();
        if (!s.overrideDir) {
            dir = defaultUserDataDir(s);
            file = dir + "override.dir";
            if (!wxFileExists(file))
                file = dir + "override.dir.txt";
            wxString value = firstLineOf(file);
            // A relative folder would follow the working directory of each start, and the
            // start-up clean-up deletes folders in the user data directory.
            if (!value.empty() && !value.StartsWith("/")) {
                refused = value;
                value.clear();
            }
            s.overrideDir = withSlash(value);
        }
        result = *s.overrideDir;
    }
    if (!refused.empty())
        wxLogError(_("The folder \"%s\" named in %s is not an absolute path; it is ignored and "
                     "%s is used instead."),
                   refused, file, dir);
    return result;
}

wxString Environment::getUserDataDir()
{
    const wxString overrideDir = getOverrideDir();
    if (!overrideDir.empty())
        return overrideDir;
    std::lock_guard<std::mutex> lock(stateMutex());
    return defaultUserDataDir(state());
}

wxString Environment::getDesktopDir()
{
    if (auto dir = xdgUserDir("DESKTOP"))
        return *dir;
    return homeDir() + "Desktop/";
}

bool Environment::isDebug()
{
    {
        std::lock_guard<std::mutex> lock(stateMutex());
        if (state().debug)
            return *state().debug;
    }
    const bool debug = wxFileExists(getDesktopDir() + "debug.txt");
    std::lock_guard<std::mutex> lock(stateMutex());
    state().debug = debug;
    return debug;
}

wxString Environment::getRuntimeDir()
{
    wxString runtime;
    if (wxGetEnv("XDG_RUNTIME_DIR", &runtime) && runtime.StartsWith("/") && wxDirExists(runtime))
        return withSlash(runtime);
    return getUserDataDir();
}

wxString Environment::getGlobalConfigPath() { return getResourceDir() + getIpcName() + ".ini"; }
wxString Environment::getUserConfigPath() { return getUserDataDir() + "user.ini"; }
wxString Environment::getPreferencesPath() { return getUserDataDir() + "prefs.conf"; }
wxString Environment::getDatabasePath() { return getUserDataDir() + "database.db"; }
wxString Environment::getThumbnailDir() { return getUserDataDir() + "thumbnails"; }
wxString Environment::getSkinDir() { return getResourceDir() + "skin"; }
wxString Environment::getUpdaterConfigPath() { return getResourceDir() + "updater.ini"; }

wxString Environment::getNetworkSettingsPath()
{
    return getAppDataDir() + "quorvel-common/network.ini";
}

} // namespace Quorvel
