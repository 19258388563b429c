#include "plugins/PluginRegistry.h"

#include <algorithm>
#include <set>

#include "plugins/PluginLoader.h"
#include "system/Log.h"

void PluginRegistry::load(const std::vector<wxString>& dirs, const PluginLoader& loader)
{
    clear();
    m_dirs = dirs;
    std::set<wxString> seen;
    for (const wxString& dir : dirs) {
        for (PluginBundle& bundle : loader.scan(dir)) {
            if (!seen.insert(bundle.uuid).second) {
                QDEBUG("[PLUGINLOADER] %s is loaded already, %s skipped", bundle.uuid, bundle.dir);
                continue;
            }
            m_bundles.push_back(std::move(bundle));
        }
    }
}

void PluginRegistry::clear()
{
    m_bundles.clear();
    m_dirs.clear();
}

std::vector<const PluginCommand*> PluginRegistry::getCommands(const wxString& menuId) const
{
    std::vector<const PluginCommand*> commands;
    for (const PluginBundle& bundle : m_bundles) {
        for (const PluginCommand& command : bundle.commands) {
            if (command.menuId == menuId)
                commands.push_back(&command);
        }
    }
    std::stable_sort(
        commands.begin(), commands.end(),
        [](const PluginCommand* a, const PluginCommand* b) { return a->priority < b->priority; });
    return commands;
}

std::vector<const PluginMenu*> PluginRegistry::getMenus() const
{
    std::vector<const PluginMenu*> menus;
    for (const PluginBundle& bundle : m_bundles) {
        for (const PluginMenu& menu : bundle.menus)
            menus.push_back(&menu);
    }
    std::stable_sort(menus.begin(), menus.end(), [](const PluginMenu* a, const PluginMenu* b) {
        return a->priority < b->priority;
    });
    return menus;
}

const PluginBundle* PluginRegistry::findBundle(const wxString& packageId) const
{
    for (const PluginBundle& bundle : m_bundles) {
        if (bundle.uuid == packageId)
            return &bundle;
    }
    return nullptr;
}

const PluginCommand* PluginRegistry::findCommand(const wxString& packageId,
                                                 const wxString& id) const
{
    const PluginBundle* bundle = findBundle(packageId);
    if (!bundle)
        return nullptr;
    for (const PluginCommand& command : bundle->commands) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}
