#pragma once
// The commands plug-ins add to the main window's menus and tool bar. Each names a menu path
// ("/Import/", "/Picture/SendTo/", "/Toolbar/Website/" ...) and a position; the main window
// asks for the commands of a path within a band of positions and appends them there, in
// position order. The entries come from the plug-in registry once it has loaded the bundles,
// before the main window builds its menus.
//
// GUI thread only.

#include <functional>
#include <vector>

#include <wx/string.h>

class PluginCommand;
class PluginRegistry;

struct PluginMenuEntry {
    wxString path;
    int position = 0;
    // A separator line in place of an item.
    bool separator = false;
    wxString label;
    wxString helpText;
    // Skin icon name, or the full path of the bundle's icon; "blank.png" when the plug-in gives
    // none.
    wxString icon = "blank.png";
    // Runs the command; the main window enables the item when `isEnabled` says so (always
    // when it is empty).
    std::function<void()> run;
    std::function<bool()> isEnabled;
};

// A menu a bundle adds (its "menu.ini"), holding the commands that name its path.
struct PluginMenuHeading {
    // "/Extras/"
    wxString path;
    wxString label;
    wxString icon = "blank.png";
};

class PluginCommands {
public:
    // The process's registry.
    static PluginCommands& get();

    void add(PluginMenuEntry command);
    void addMenu(PluginMenuHeading menu);
    void clear();
    // Replaces the entries with the commands of every bundle of `registry`, in the order they
    // were loaded. Choosing one calls `run`; `isEnabled` decides whether its item is enabled.
    // The registry must not load again while the entries are in use.
    void load(const PluginRegistry& registry, std::function<void(const PluginCommand&)> run,
              std::function<bool(const PluginCommand&)> isEnabled);

    std::size_t size() const { return m_commands.size(); }
    // Indices stay valid until clear(): the main window names menu items by them.
    const PluginMenuEntry& at(std::size_t index) const { return m_commands.at(index); }
    // The bundles' menus in priority order (equal ones in the order they were added).
    const std::vector<PluginMenuHeading>& getMenus() const { return m_menus; }

    // The indices of the commands of `path` whose position lies in [first, last], in position
    // order (equal positions in the order they were added).
    std::vector<std::size_t> find(const wxString& path, int first, int last) const;

private:
    std::vector<PluginMenuEntry> m_commands;
    std::vector<PluginMenuHeading> m_menus;
};
