#pragma once
// Builds the main window's menus: the menu bar, the main-menu pop-up of the tool bar (the same
// menus again, ending with "&Options..." and "About..."), the album pop-up and the tool bar's
// drop-downs. A wxMenu has one parent, so every call makes new menus. Plug-in commands are
// appended at their slots from PluginCommands.
//
// GUI thread only.

#include <wx/string.h>

#include "mainframe/IconLookup.h"

class wxMenu;
class wxMenuBar;
class wxMenuItem;

struct MenuOptions {
    // Skin switches.
    bool mobilePhoneServices = false;
    bool shareByPrints = false;
    bool cardsCalendars = false;
    wxString shortName = "Vistrelle";
    wxString webLinkName1;
    wxString webLinkName2;
    // Diagnostics are on: the Debug menu is shown.
    bool diagnostics = false;
};

// Menus of the window itself, whose plug-in slots a bundle's menu cannot take over.
bool isBuiltInMenuPath(const wxString& path);

class MainMenus {
public:
    static constexpr int ICON_SIZE = 16;

    MainMenus(const MenuOptions& options, const IconLookup& icons);

    wxMenuBar* makeMenuBar() const;
    wxMenu* makeMainMenuPopup() const;
    wxMenu* makeAlbumPopup() const;
    wxMenu* makeGetPhotosMenu() const;
    wxMenu* makeWebsiteMenu() const;

    wxMenu* makeArchiveMenu() const;
    wxMenu* makeEditMenu() const;
    wxMenu* makeViewMenu() const;
    wxMenu* makeGoMenu() const;
    wxMenu* makePictureMenu() const;
    wxMenu* makeOperationsMenu() const;
    wxMenu* makeAccountMenu() const;
    wxMenu* makeToolsMenu() const;
    wxMenu* makeHelpMenu() const;
    wxMenu* makeDebugMenu() const;

    // Labels of the Picture menu that name one picture or several.
    static wxString pictureLabel(int id, int selectedCount);
    // Sets those labels on `menu` (items looked up by id, submenus included).
    static void setPictureLabels(wxMenu& menu, int selectedCount);

private:
    wxMenuItem* append(wxMenu* menu, int id, const wxString& label, const wxString& help,
                       const wxString& icon) const;
    wxMenuItem* appendSubMenu(wxMenu* menu, int id, wxMenu* subMenu, const wxString& label,
                              const wxString& help, const wxString& icon) const;
    // The plug-in items of `path` in the bands [bands[i], bands[i + 1] - 1], with a separator
    // between bands that have items.
    void appendPlugins(wxMenu* menu, const wxString& path, std::initializer_list<int> bands) const;
    // The menus bundles add, with their commands, for `add` to place (label, menu, icon). Only
    // a menu of its own ("/Extras/") that some command fills is made: a path the window has
    // already keeps its slot, and an empty menu would offer nothing.
    template <typename Add> void forEachPluginMenu(Add&& add) const;

    MenuOptions m_options;
    const IconLookup& m_icons;
};
