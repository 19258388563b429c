#pragma once
// The plug-in bundles loaded at start-up and their commands, as the main window places them in
// its menu slots:
//
//   for (const PluginCommand* command : registry.getCommands("/Tools/"))
//       ... command->menuItem, command->menuItemHelp, command->menuIcon (in command->bundleDir),
//           command->type == PluginCommand::SEPARATOR for a separator,
//           command->isEnabledFor(contentTypesOfSelection) to enable it ...
//   and, when chosen, PluginExecutor::run(command->packageId, command->id, selection).
//
// Menus a bundle adds come from getMenus(). Pointers stay valid until the next load().
//
// GUI thread (loaded once at start-up; read by the windows).

#include <vector>

#include <wx/string.h>

#include "plugins/PluginBundle.h"

class PluginLoader;

class PluginRegistry {
public:
    // Replaces what was loaded with the bundles of `dirs`, in that order. A bundle whose
    // identity was already seen in an earlier folder is skipped, so the user's copy of a bundle
    // does not double the program's.
    void load(const std::vector<wxString>& dirs, const PluginLoader& loader);
    void clear();

    const std::vector<PluginBundle>& getBundles() const { return m_bundles; }
    const std::vector<wxString>& getPluginDirs() const { return m_dirs; }

    // The commands for the menu slot `menuId` (such as "/Tools/"), by priority, equal priorities
    // in the order they were loaded.
    std::vector<const PluginCommand*> getCommands(const wxString& menuId) const;
    // Every menu the bundles add, by priority.
    std::vector<const PluginMenu*> getMenus() const;
    // Null when there is no such bundle or command.
    const PluginBundle* findBundle(const wxString& packageId) const;
    const PluginCommand* findCommand(const wxString& packageId, const wxString& id) const;

private:
    std::vector<wxString> m_dirs;
    std::vector<PluginBundle> m_bundles;
};
