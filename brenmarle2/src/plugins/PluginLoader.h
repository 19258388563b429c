#pragma once
// Reads plug-in bundles: each sub-folder of a plug-in directory that holds "bundle.ini" is a
// bundle; its "menu.ini" lists the menus it adds and every other "*.ini" file is one command.
// Broken or unknown parts are logged and skipped; the rest of the bundle loads.
//
// On Linux the commands run through the generic "Execute" and "ForEachExecute" keys; the
// Windows keys ("ExecuteWin", "ForEachExecuteWin", the "/Windows/Environment" group) are not read.
//
// Any thread; reads files only.

#include <optional>
#include <vector>

#include <wx/string.h>

#include "plugins/PluginBundle.h"

class PluginLoader {
public:
    // The plug-in interface this program offers (VS_PLUGIN_IFACE_VER).
    static constexpr const char* PLUGIN_INTERFACE_VERSION = "1";

    // `programVersion` ("major.minor.build") is checked against each bundle's supported range.
    explicit PluginLoader(const wxString& programVersion);

    // The bundles in the sub-folders of `dir`, in name order; nothing when it does not exist.
    std::vector<PluginBundle> scan(const wxString& dir) const;
    // The bundle in `dir`; nothing when it has no "bundle.ini" or does not support this program.
    std::optional<PluginBundle> loadBundle(const wxString& dir) const;

    // Compares dot-separated version numbers ("1.2" equals "1.2.0"); <0, 0 or >0.
    static int compareVersions(const wxString& a, const wxString& b);

private:
    void loadMenus(const wxString& path, PluginBundle& bundle) const;
    std::optional<PluginCommand> loadCommand(const wxString& path,
                                             const PluginBundle& bundle) const;

    wxString m_programVersion;
};
