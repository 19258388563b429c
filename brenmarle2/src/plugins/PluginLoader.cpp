#include "plugins/PluginLoader.h"

#include <algorithm>

#include <wx/dir.h>
#include <wx/filename.h>
#include <wx/tokenzr.h>

#include "system/ConfigFile.h"
#include "system/Log.h"

namespace {

wxString withSlash(const wxString& dir)
{
    return dir.EndsWith("/") ? dir : dir + "/";
}

// Entries of `dir` (files or folders), sorted so the menus come out the same on every disk.
std::vector<wxString> entries(const wxString& dir, int flags, const wxString& pattern = wxString())
{
    std::vector<wxString> names;
    wxDir folder;
    if (!wxDir::Exists(dir) || !folder.Open(dir))
        return names;
    wxString name;
    for (bool more = folder.GetFirst(&name, pattern, flags); more; more = folder.GetNext(&name))
        names.push_back(name);
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<long> versionNumbers(const wxString& version)
{
    std::vector<long> numbers;
    for (wxString part : wxSplit(version, '.', '\0')) {
        long number = 0;
        numbers.push_back(part.Trim().Trim(false).ToLong(&number) ? number : 0);
    }
    while (numbers.size() < 3)
        numbers.push_back(0);
    return numbers;
}

// Command INI files keep their keys at the top; a file that puts them in a "[Plugin]" group
// is read there.
wxString commandGroup(const Quorvel::ConfigFile& ini)
{
    if (!ini.hasEntry("Type") && ini.HasGroup("Plugin"))
        return "Plugin/";
    return wxString();
}

// Flags are written as "1", "true" or "yes" by different bundle authors.
bool readFlag(const Quorvel::ConfigFile& ini, const wxString& key)
{
    wxString text;
    ini.readString(key, text, wxString());
    text = text.Trim().Trim(false).Lower();
    return text == "1" || text == "true" || text == "yes";
}

int clampedPriority(long value)
{
    return static_cast<int>(std::clamp(value, 0L, 99L));
}

} // namespace

PluginLoader::PluginLoader(const wxString& programVersion) : m_programVersion(programVersion) {}

int PluginLoader::compareVersions(const wxString& a, const wxString& b)
{
    const std::vector<long> left = versionNumbers(a);
    const std::vector<long> right = versionNumbers(b);
    for (size_t i = 0; i < std::max(left.size(), right.size()); ++i) {
        const long l = i < left.size() ? left[i] : 0;
        const long r = i < right.size() ? right[i] : 0;
        if (l != r)
            return l < r ? -1 : 1;
    }
    return 0;
}

std::vector<PluginBundle> PluginLoader::scan(const wxString& dir) const
{
    QDEBUG("[PLUGINLOADER] Scanning %s", dir);
    std::vector<PluginBundle> bundles;
    for (const wxString& name : entries(dir, wxDIR_DIRS)) {
        if (std::optional<PluginBundle> bundle = loadBundle(withSlash(dir) + name))
            bundles.push_back(std::move(*bundle));
    }
    return bundles;
}

std::optional<PluginBundle> PluginLoader::loadBundle(const wxString& folder) const
{
    const wxString dir = withSlash(folder);
    if (!wxFileName::FileExists(dir + "bundle.ini"))
        return std::nullopt;
    QDEBUG("[PLUGINLOADER] Load INI file %s", dir + "bundle.ini");
    PluginBundle bundle;
    bundle.dir = dir;
    {
        const Quorvel::ConfigFile ini(dir + "bundle.ini");
        ini.readString("PluginBundle/Uuid", bundle.uuid, wxString());
        ini.readString("PluginBundle/Name", bundle.name, "Unnamed Plugin");
        ini.readString("PluginBundle/Version", bundle.version, "0.0.0");
        ini.readString("PluginBundle/LatestVersionUrl", bundle.latestVersionUrl, wxString());
        ini.readString("PluginBundle/InstallerUrl", bundle.installerUrl, wxString());
        ini.readString("PluginBundle/MinPluginSystemVersion", bundle.minPluginSystemVersion,
                       "0.0.0");
        ini.readString("PluginBundle/MaxPluginSystemVersion", bundle.maxPluginSystemVersion,
                       "1000.0.0");
        ini.readString("PluginBundle/MinVistrelleVersion", bundle.minProgramVersion, "0.0.0");
        ini.readString("PluginBundle/MaxVistrelleVersion", bundle.maxProgramVersion, "1000.0.0");
    }
    if (bundle.uuid.empty()) {
        wxLogWarning("Plug-in bundle %s has no identity and was not loaded.", dir);
        return std::nullopt;
    }
    if (compareVersions(PLUGIN_INTERFACE_VERSION, bundle.minPluginSystemVersion) < 0 ||
        compareVersions(PLUGIN_INTERFACE_VERSION, bundle.maxPluginSystemVersion) > 0 ||
        compareVersions(m_programVersion, bundle.minProgramVersion) < 0 ||
        compareVersions(m_programVersion, bundle.maxProgramVersion) > 0) {
        QDEBUG("[PLUGINLOADER] %s does not support this program version, not loaded", bundle.name);
        return std::nullopt;
    }
    if (wxFileName::FileExists(dir + "menu.ini"))
        loadMenus(dir + "menu.ini", bundle);
    for (const wxString& name : entries(dir, wxDIR_FILES, "*.ini")) {
        if (name == "bundle.ini" || name == "menu.ini")
            continue;
        QDEBUG("[PLUGINLOADER] Load INI file %s", dir + name);
        if (std::optional<PluginCommand> command = loadCommand(dir + name, bundle))
            bundle.commands.push_back(std::move(*command));
    }
    return bundle;
}

void PluginLoader::loadMenus(const wxString& path, PluginBundle& bundle) const
{
    QDEBUG("[PLUGINLOADER] Load menu info for %s", bundle.name);
    Quorvel::ConfigFile ini(path);
    wxString group;
    long cookie = 0;
    std::vector<wxString> groups;
    for (bool more = ini.GetFirstGroup(group, cookie); more; more = ini.GetNextGroup(group, cookie))
        groups.push_back(group);
    for (const wxString& id : groups) {
        PluginMenu menu;
        // The group "[Extras]" is the menu slot "/Extras/" that commands name in "MenuId".
        menu.id = "/" + id + "/";
        long priority = 50;
        ini.readLocalisedString(id + "/Name", menu.name, id);
        ini.readLong(id + "/Priority", priority, 50);
        menu.priority = clampedPriority(priority);
        ini.readString(id + "/PriorityText", menu.priorityText, wxString());
        ini.readString(id + "/Icon", menu.icon, wxString());
        menu.bundleDir = bundle.dir;
        bundle.menus.push_back(menu);
    }
}

std::optional<PluginCommand> PluginLoader::loadCommand(const wxString& path,
                                                       const PluginBundle& bundle) const
{
    const Quorvel::ConfigFile ini(path);
    const wxString g = commandGroup(ini);
    PluginCommand command;
    command.id = wxFileName(path).GetName();
    command.packageId = bundle.uuid;
    command.bundleDir = bundle.dir;
    QDEBUG("[PLUGINLOADER] Load plugin %s", command.id);

    wxString text;
    ini.readString(g + "Type", text, wxString());
    command.type = PluginCommand::parseType(text);
    if (command.type == PluginCommand::TYPE_UNKNOWN) {
        QDEBUG("[PLUGINLOADER] Unknown plugin type: %s", text);
        return std::nullopt;
    }
    long number = 0;
    ini.readString(g + "MenuId", command.menuId, wxString());
    ini.readLong(g + "Priority", number, 50);
    command.priority = clampedPriority(number);
    ini.readString(g + "PriorityText", command.priorityText, wxString());
    ini.readLocalisedString(g + "MenuItem", command.menuItem, command.id);
    ini.readLocalisedString(g + "MenuItemHelp", command.menuItemHelp, wxString());
    ini.readString(g + "MenuIcon", command.menuIcon, wxString());

    ini.readString(g + "AcceptContentTypes", text, wxString());
    for (const wxString& type : wxStringTokenize(text, ";, \t", wxTOKEN_STRTOK))
        command.acceptContentTypes.push_back(type);
    ini.readLong(g + "MinFiles", number, 0);
    command.minFiles = static_cast<int>(std::max(0L, number));
    ini.readLong(g + "MaxFiles", number, -1);
    command.maxFiles = number < 0 ? -1 : static_cast<int>(number);
    command.needsFileSelInfo = readFlag(ini, g + "NeedsFileSelInfo");
    command.needsFolderInfo = readFlag(ini, g + "NeedsFolderInfo");

    ini.readString(g + "WorkingDirectory", command.workingDirectory, wxString());
    ini.readLocalisedString(g + "SplashTitle", command.splashTitle, wxString());
    ini.readString(g + "Execute", command.execute, wxString());
    ini.readString(g + "ForEachExecute", command.forEachExecute, wxString());
    ini.readString(g + "WebLinkUrl", command.webLinkUrl, wxString());
    ini.readString(g + "ExecuteMode", text, wxString());
    command.executeMode = PluginCommand::parseExecuteMode(text);
    ini.readString(g + "QuitAction", text, wxString());
    command.quitAction = PluginCommand::parseQuitAction(text);
    command.requireLoginInfo = readFlag(ini, g + "RequireLoginInfo");
    ini.readLong(g + "ForEachPause", number, 0);
    command.forEachPauseMs = std::max(0L, number);
    return command;
}
