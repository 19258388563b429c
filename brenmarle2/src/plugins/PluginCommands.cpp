#include "plugins/PluginCommands.h"

#include <algorithm>

#include "plugins/PluginRegistry.h"

PluginCommands& PluginCommands::get()
{
    static PluginCommands registry;
    return registry;
}

void PluginCommands::add(PluginMenuEntry command)
{
    m_commands.push_back(std::move(command));
}

void PluginCommands::addMenu(PluginMenuHeading menu)
{
    m_menus.push_back(std::move(menu));
}

void PluginCommands::clear()
{
    m_commands.clear();
    m_menus.clear();
}

void PluginCommands::load(const PluginRegistry& registry,
                          std::function<void(const PluginCommand&)> run,
                          std::function<bool(const PluginCommand&)> isEnabled)
{
    clear();
    for (const PluginMenu* menu : registry.getMenus()) {
        PluginMenuHeading heading;
        heading.path = menu->id;
        heading.label = menu->name;
        if (!menu->icon.empty())
            heading.icon = menu->bundleDir + menu->icon;
        addMenu(std::move(heading));
    }
    for (const PluginBundle& bundle : registry.getBundles()) {
        for (const PluginCommand& command : bundle.commands) {
            PluginMenuEntry entry;
            entry.path = command.menuId;
            entry.position = command.priority;
            entry.separator = command.type == PluginCommand::SEPARATOR;
            if (!entry.separator) {
                entry.label = command.menuItem;
                entry.helpText = command.menuItemHelp;
                if (!command.menuIcon.empty())
                    entry.icon = command.bundleDir + command.menuIcon;
                const PluginCommand* source = &command;
                entry.run = [run, source] { run(*source); };
                entry.isEnabled = [isEnabled, source] { return isEnabled(*source); };
            }
            add(std::move(entry));
        }
    }
}

std::vector<std::size_t> PluginCommands::find(const wxString& path, int first, int last) const
{
    std::vector<std::size_t> found;
    for (std::size_t i = 0; i < m_commands.size(); ++i) {
        const PluginMenuEntry& command = m_commands[i];
        if (command.path == path && command.position >= first && command.position <= last)
            found.push_back(i);
    }
    std::stable_sort(found.begin(), found.end(), [this](std::size_t a, std::size_t b) {
        return m_commands[a].position < m_commands[b].position;
    });
    return found;
}
