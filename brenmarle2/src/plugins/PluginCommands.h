#pragma once
// The commands plug-ins add to the main window's menus and tool bar. Each names a menu path
// ("/Import/", "/Picture/SendTo/", "/Toolbar/Website/" ...) and a position; the main window
// asks for the commands of a path within a band of positions and appends them there, in
// position order. Nothing registers commands until plug-ins are loaded, so today every slot is
// empty and the menus are exactly the program's own.
//
// GUI thread only.

#include <functional>
#include <vector>

#include <wx/string.h>

struct PluginMenuEntry {
    wxString path;
    int position = 0;
    wxString label;
    wxString helpText;
    // Skin icon name; "blank.png" when the plug-in gives none.
    wxString icon = "blank.png";
    // Runs the command; the main window enables the item when `isEnabled` says so (always
    // when it is empty).
    std::function<void()> run;
    std::function<bool()> isEnabled;
};

class PluginCommands {
public:
    // The process's registry.
    static PluginCommands& get();

    void add(PluginMenuEntry command);
    void clear();

    std::size_t size() const { return m_commands.size(); }
    // Indices stay valid until clear(): the main window names menu items by them.
    const PluginMenuEntry& at(std::size_t index) const { return m_commands.at(index); }

    // The indices of the commands of `path` whose position lies in [first, last], in position
    // order (equal positions in the order they were added).
    std::vector<std::size_t> find(const wxString& path, int first, int last) const;

private:
    std::vector<PluginMenuEntry> m_commands;
};
