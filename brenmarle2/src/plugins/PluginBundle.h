#pragma once
// One plug-in bundle: the folder with "bundle.ini", the menus of its "menu.ini" and its commands.
// Values only; the loader fills them.

#include <vector>

#include <wx/string.h>

#include "plugins/PluginCommand.h"

// A menu a bundle adds (one group of its "menu.ini"; the group's name is the menu's id).
struct PluginMenu {
    wxString id;
    wxString name;
    int priority = 50;
    wxString priorityText;
    wxString icon;
    // The bundle's folder, ending in "/" (the icon's name is relative to it).
    wxString bundleDir;
};

struct PluginBundle {
    wxString uuid;
    wxString name = "Unnamed Plugin";
    wxString version = "0.0.0";
    wxString latestVersionUrl;
    wxString installerUrl;
    wxString minPluginSystemVersion = "0.0.0";
    wxString maxPluginSystemVersion = "1000.0.0";
    wxString minProgramVersion = "0.0.0";
    wxString maxProgramVersion = "1000.0.0";
    // The bundle's folder, ending in "/".
    wxString dir;
    std::vector<PluginMenu> menus;
    std::vector<PluginCommand> commands;
};
