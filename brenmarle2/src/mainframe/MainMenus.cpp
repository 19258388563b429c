#include "mainframe/MainMenus.h"

#include <vector>

#include <wx/menu.h>

#include "mainframe/CommandIds.h"
#include "plugins/PluginCommands.h"

#ifdef __WXGTK__
#include <glib-object.h>
#endif

namespace {

void showIconAlways(wxMenuItem* item)
{
#ifdef __WXGTK__
    if (item && item->GetMenuItem())
        g_object_set(item->GetMenuItem(), "always-show-image", 1, nullptr);
#else
    (void)item;
#endif
}

} // namespace

MainMenus::MainMenus(const MenuOptions& options, const IconLookup& icons)
    : m_options(options), m_icons(icons)
{
}

wxMenuItem* MainMenus::append(wxMenu* menu, int id, const wxString& label, const wxString& help,
                              const wxString& icon) const
{
    auto* item = new wxMenuItem(menu, id, label, help);
    item->SetBitmap(m_icons.get(icon, ICON_SIZE));
    menu->Append(item);
    showIconAlways(item);
    return item;
}

wxMenuItem* MainMenus::appendSubMenu(wxMenu* menu, int id, wxMenu* subMenu, const wxString& label,
                                     const wxString& help, const wxString& icon) const
{
    auto* item = new wxMenuItem(menu, id, label, help, wxITEM_NORMAL, subMenu);
    item->SetBitmap(m_icons.get(icon, ICON_SIZE));
    menu->Append(item);
    showIconAlways(item);
    return item;
}

void MainMenus::appendPlugins(wxMenu* menu, const wxString& path,
                              std::initializer_list<int> bands) const
{
    const PluginCommands& registry = PluginCommands::get();
    const std::vector<int> limits(bands);
    bool any = false;
    for (std::size_t band = 0; band + 1 < limits.size(); ++band) {
        const auto found = registry.find(path, limits[band], limits[band + 1] - 1);
        if (found.empty())
            continue;
        if (any)
            menu->AppendSeparator();
        any = true;
        for (std::size_t index : found) {
            const PluginMenuEntry& command = registry.at(index);
            if (command.separator) {
                menu->AppendSeparator();
                continue;
            }
            append(menu, ID_PLUGIN_FIRST + static_cast<int>(index), command.label, command.helpText,
                   command.icon);
        }
    }
}

wxMenu* MainMenus::makeGetPhotosMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_IMPORT_CAMERA, _("From &Camera..."),
           _("Import photos from a digital camera or other imaging devices"), "camera_import.png");
    append(menu, ID_IMPORT_COMPUTER, _("From &My Computer..."),
           _("Import photos from a folder on your computer"), "computer_import.png");
    appendPlugins(menu, "/Import/", {0, 100});
    return menu;
}

wxMenu* MainMenus::makeArchiveMenu() const
{
    auto* menu = new wxMenu;
    appendSubMenu(menu, ID_GET_PHOTOS_MENU, makeGetPhotosMenu(), _("&Get Photos"), wxString(),
                  "camera_import.png");
    append(menu, ID_NEW_ALBUM, _("&New Album..."), wxString(), "new_album.png");
    append(menu, ID_NEW_ORDER, _("New &Order"), wxString(), "cart.png");
    append(menu, ID_ORDER_ALBUM_PRINTS, _("&Order Prints of Album..."), wxString(),
           "order_prints.png");
    append(menu, ID_SHARE_ALBUM, _("&Share Entire Album..."), wxString(), "share_picture.png");
    append(menu, ID_STORE_ALBUM_SAFELY, _("Store Album Safely..."), wxString(), "safe_storage.png");
    append(menu, ID_RENAME_ALBUM, _("&Rename Album"), wxString(), "rename.png");
    append(menu, ID_DELETE_ALBUM, _("&Delete Album"), wxString(), "delete.png");
    append(menu, ID_ALBUM_PROPERTIES, _("Album &Properties..."), wxString(), "properties.png");
    append(menu, ID_LOAD_HIDDEN_ALBUMS, _("Load &hidden albums"), wxString(), "hidden_albums.png");
    append(menu, ID_EXPORT_ARCHIVE, _("&Export Archive..."), wxString(), "export.png");
    append(menu, wxID_EXIT, _("E&xit\tCtrl+Q"), wxString(), "exit.png");
    return menu;
}

wxMenu* MainMenus::makeAlbumPopup() const
{
    auto* menu = new wxMenu;
    auto* getPhotos = new wxMenu;
    append(getPhotos, ID_IMPORT_CAMERA, _("From &Camera"),
           _("Import photos from a digital camera or other imaging devices"), "camera_import.png");
    append(getPhotos, ID_IMPORT_COMPUTER, _("From &My Computer"),
           _("Import photos from a folder on your computer"), "computer_import.png");
    appendPlugins(getPhotos, "/Import/", {0, 100});
    appendSubMenu(menu, ID_GET_PHOTOS_MENU, getPhotos, _("&Get Photos"), wxString(),
                  "camera_import.png");
    append(menu, ID_ORDER_ALBUM_PRINTS, _("&Order Prints..."), wxString(), "order_prints.png");
    append(menu, ID_SHARE_ALBUM, _("&Share Album..."), wxString(), "share_picture.png");
    append(menu, ID_STORE_ALBUM_SAFELY, _("S&afe Storage..."), wxString(), "safe_storage.png");
    append(menu, ID_RENAME_ALBUM, _("&Rename Album"), wxString(), "rename.png");
    append(menu, ID_DELETE_ALBUM, _("&Delete Album"), wxString(), "delete.png");
    append(menu, ID_ALBUM_PROPERTIES, _("Album &Properties..."), wxString(), "properties.png");
    return menu;
}

wxMenu* MainMenus::makeEditMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_SELECT_ALL, _("Select &All\tCtrl+A"), wxString(), "select_all.png");
    append(menu, ID_SELECT_NONE, _("Select &None"), wxString(), "blank.png");
    menu->AppendSeparator();
    append(menu, ID_INVERT_SELECTION, _("&Invert Selection\tCtrl+I"), wxString(), "blank.png");
    return menu;
}

wxMenu* MainMenus::makeViewMenu() const
{
    auto* menu = new wxMenu;
    menu->AppendCheckItem(ID_FAVORITES_ONLY, _("F&avorites Only"));
    menu->AppendSeparator();
    append(menu, ID_FULLSCREEN, _("&Fullscreen View\tF11"), wxString(), "view_fullscreen.png");
    append(menu, ID_ZOOM_IN, _("Zoom &In\tCtrl++"), _("Show larger thumbnails"), "zoom_in.png");
    append(menu, ID_ZOOM_OUT, _("Zoom &Out\tCtrl+-"), _("Show smaller thumbnails"), "zoom_out.png");
    menu->AppendSeparator();
    menu->AppendRadioItem(ID_VIEW_SHOPPING_CART, _("View Shopping Cart"));
    menu->AppendRadioItem(ID_VIEW_INBOX, _("View Picture Inbox"));
    menu->AppendRadioItem(ID_VIEW_KEYWORDS, _("View Keywords Sidebar"));
    menu->AppendSeparator();
    // A plain item: a separator ends the radio group. Choosing a sidebar shows it again.
    append(menu, ID_HIDE_SIDEBAR, _("Hide Sidebar"), wxString(), "blank.png");
    return menu;
}

wxMenu* MainMenus::makeGoMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_GO_START, _("&Start Page"), wxString(), "start_page.png");
    menu->AppendSeparator();
    append(menu, ID_GO_ALBUMS, _("My &Albums\tF5"), wxString(), "my_albums.png");
    append(menu, ID_GO_CALENDAR, _("Photo &Calendar\tF6"), wxString(), "calendar.png");
    append(menu, ID_GO_COMPUTER, _("&My Computer\tF7"), wxString(), "my_computer.png");
    append(menu, ID_GO_SEARCH, _("Picture &Search\tF8"), wxString(), "picture_search.png");
    appendPlugins(menu, "/Go/", {0, 50, 100});
    return menu;
}

wxString MainMenus::pictureLabel(int id, int selectedCount)
{
    const bool several = selectedCount > 1;
    switch (id) {
    case ID_SEND_TO_MENU:
        return several ? _("Send Pictures To") : _("Send Picture To");
    case ID_COPY_TO_DESKTOP:
        return several ? _("Copy Files To Desktop") : _("Copy File To Desktop");
    case ID_SHARE_PICTURES:
        return several ? _("Share Pictures...") : _("Share Picture...");
    case ID_PRINT:
        return several ? _("&Print Pictures...") : _("&Print Picture...");
    case ID_DELETE_PICTURES:
        return several ? _("&Delete Pictures") : _("&Delete Picture");
    default:
        return wxString();
    }
}

void MainMenus::setPictureLabels(wxMenu& menu, int selectedCount)
{
    for (int id :
         {ID_SEND_TO_MENU, ID_COPY_TO_DESKTOP, ID_SHARE_PICTURES, ID_PRINT, ID_DELETE_PICTURES}) {
        if (wxMenuItem* item = menu.FindItem(id))
            item->SetItemLabel(pictureLabel(id, selectedCount));
    }
}

wxMenu* MainMenus::makePictureMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_OPEN_PICTURE, _("&Open Picture"),
           _("Open the selected picture in a new window"), "open_picture.png");
    append(menu, ID_EDIT_PICTURE, _("&Edit Picture"),
           _("Edit the selected picture in a new window"), "edit_picture.png");
    appendPlugins(menu, "/Picture/", {0, 100});
    menu->AppendSeparator();

    auto* sendTo = new wxMenu;
    append(sendTo, ID_COPY_TO_DESKTOP, pictureLabel(ID_COPY_TO_DESKTOP, 1), wxString(), "copy.png");
    append(sendTo, ID_COPY_TO_FOLDER, _("Another File Folder"), wxString(), "computer_import.png");
    append(sendTo, ID_SEND_WEB, _("Friend by &Web Sharing"), wxString(), "website.png");
    append(sendTo, ID_SEND_EMAIL, _("Friend by &Email (attachment)"), wxString(), "email.png");
    if (m_options.mobilePhoneServices)
        append(sendTo, ID_SEND_MMS, _("Mobile Phone (MMS Message)"), wxString(), "mobile.png");
    if (m_options.shareByPrints)
        append(sendTo, ID_SEND_PRINTS, _("Mailbox (Send Prints)"), wxString(), "order_prints.png");
    appendPlugins(sendTo, "/Picture/SendTo/", {0, 100});
    appendSubMenu(menu, ID_SEND_TO_MENU, sendTo, pictureLabel(ID_SEND_TO_MENU, 1), wxString(),
                  "send_to.png");

    append(menu, ID_ORDER_PRINTS, _("O&rder Prints..."), wxString(), "order_prints.png");
    auto* safeStorage = new wxMenu;
    append(safeStorage, ID_SAFE_ADD, _("&Add to Safe Storage"), wxString(), "blank.png");
    append(safeStorage, ID_SAFE_REMOVE, _("&Remove from Safe Storage"), wxString(), "blank.png");
    append(safeStorage, ID_SAFE_REPLACE, _("&Replace from Safe Storage"), wxString(), "blank.png");
    appendSubMenu(menu, ID_SAFE_STORAGE_MENU, safeStorage, _("Safe Storage"), wxString(),
                  "safe_storage.png");
    append(menu, ID_SHARE_PICTURES, pictureLabel(ID_SHARE_PICTURES, 1), wxString(),
           "share_picture.png");
    menu->AppendSeparator();
    append(menu, ID_PRINT, pictureLabel(ID_PRINT, 1), wxString(), "print.png");
    append(menu, ID_SET_WALLPAPER, _("Set Desktop &Wallpaper"),
           _("Set selected picture as desktop background"), "wallpaper.png");
    menu->AppendSeparator();
    append(menu, ID_DELETE_PICTURES, pictureLabel(ID_DELETE_PICTURES, 1), wxString(), "delete.png");
    return menu;
}

wxMenu* MainMenus::makeOperationsMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_ROTATE_LEFT, _("Rotate &Left\tCtrl+L"), _("Turn the selected pictures left"),
           "rotate_left.png");
    append(menu, ID_ROTATE_RIGHT, _("Rotate &Right\tCtrl+R"), _("Turn the selected pictures right"),
           "rotate_right.png");
    menu->AppendSeparator();
    menu->AppendCheckItem(ID_FAVORITE, _("&Favorite\tCtrl+D"),
                          _("Mark the selected pictures as favorites"));
    menu->AppendSeparator();
    append(menu, ID_PICTURE_PROPERTIES, _("P&roperties...\tAlt+Enter"),
           _("Show the file and camera details of the selected picture"), "properties.png");
    appendPlugins(menu, "/Operations", {0, 100});
    return menu;
}

wxMenu* MainMenus::makeAccountMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_SYNC_SAFE_STORAGE, _("&Synchronize Safe Storage"), wxString(), "sync.png");
    append(menu, ID_SAFE_STORAGE_STATUS, _("S&afe Storage Status"), wxString(), "status.png");
    appendPlugins(menu, "/Account/", {0, 100});
    menu->AppendSeparator();
    append(menu, ID_REGISTER_ACCOUNT, _("&Register Account..."), wxString(), "create_account.png");
    append(menu, ID_LOGIN, _("&Log In to Account..."), wxString(), "login.png");
    menu->AppendSeparator();
    append(menu, ID_LOGOUT, _("Log &Out"), wxString(), "logout.png");
    return menu;
}

wxMenu* MainMenus::makeToolsMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_PICTURE_MAP, _("&Picture Map..."), wxString(), "picturemap.png");
    append(menu, ID_SLIDESHOW, _("&Slideshow...\tF12"), wxString(), "slideshow.png");
    menu->AppendSeparator();
    if (m_options.cardsCalendars)
        append(menu, ID_CREATE_PRODUCTS, _("Create Photo Products"), wxString(),
               "create_products.png");
    appendPlugins(menu, "/Tools/", {0, 20, 40, 60, 80, 100});
    menu->AppendSeparator();
    append(menu, ID_OPTIONS, _("&Options..."), wxString(), "options.png");
    return menu;
}

wxMenu* MainMenus::makeHelpMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_HELP_CONTENTS, _("&Help Contents\tF1"), wxString(), "help.png");
    menu->AppendSeparator();
    append(menu, ID_REMOTE_ASSISTANCE, _("&Remote Assistance"), wxString(), "blank.png");
    append(menu, ID_SUPPORT_INFO, _("&Support Information"), wxString(), "support.png");
    append(menu, ID_SELF_REPAIR, _("Run Self Rep&air Test"), wxString(), "blank.png");
    menu->AppendSeparator();
    append(menu, ID_CHECK_UPDATE, _("Check For &Update"), wxString(), "update.png");
    append(menu, ID_ABOUT, wxString::Format(_("&About %s..."), m_options.shortName), wxString(),
           "about.png");
    return menu;
}

wxMenu* MainMenus::makeDebugMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_OPENGL_TEST, "OpenGL Test", wxString(), "blank.png");
    menu->AppendSeparator();
    append(menu, ID_UNHANDLED_EXCEPTION, "Unhandled Exception", wxString(), "debug.png");
    append(menu, ID_GENERATE_CRASH, "Generate Crash", wxString(), "debug.png");
    appendPlugins(menu, "/Debug/", {0, 50, 100});
    return menu;
}

bool isBuiltInMenuPath(const wxString& path)
{
    static const char* const paths[] = {"/Archive/", "/Import/",  "/Edit/",       "/View/",
                                        "/Go/",      "/Picture/", "/Operations/", "/Account/",
                                        "/Tools/",   "/Help/",    "/Debug/",      "/Toolbar/"};
    for (const char* builtIn : paths) {
        if (path.IsSameAs(builtIn, false))
            return true;
    }
    return false;
}

template <typename Add> void MainMenus::forEachPluginMenu(Add&& add) const
{
    const PluginCommands& registry = PluginCommands::get();
    for (const PluginMenuHeading& heading : registry.getMenus()) {
        // One segment between the slashes: a menu of the bar, not a submenu of another.
        if (isBuiltInMenuPath(heading.path) || heading.path.Len() < 3 ||
            heading.path.Mid(1, heading.path.Len() - 2).Contains("/") ||
            registry.find(heading.path, 0, 99).empty())
            continue;
        auto* menu = new wxMenu;
        appendPlugins(menu, heading.path, {0, 100});
        add(heading.label, menu, heading.icon);
    }
}

wxMenuBar* MainMenus::makeMenuBar() const
{
    auto* bar = new wxMenuBar;
    bar->Append(makeArchiveMenu(), _("&Archive"));
    bar->Append(makeEditMenu(), _("&Edit"));
    bar->Append(makeViewMenu(), _("&View"));
    bar->Append(makeGoMenu(), _("&Go"));
    bar->Append(makePictureMenu(), _("&Picture"));
    bar->Append(makeOperationsMenu(), _("&Operations"));
    bar->Append(makeAccountMenu(), _("&Account"));
    bar->Append(makeToolsMenu(), _("&Tools"));
    forEachPluginMenu(
        [bar](const wxString& label, wxMenu* menu, const wxString&) { bar->Append(menu, label); });
    bar->Append(makeHelpMenu(), _("&Help"));
    if (m_options.diagnostics)
        bar->Append(makeDebugMenu(), _("&Debug"));
    return bar;
}

wxMenu* MainMenus::makeMainMenuPopup() const
{
    auto* menu = new wxMenu;
    appendSubMenu(menu, wxID_ANY, makeArchiveMenu(), _("&Archive"), wxString(), "blank.png");
    appendSubMenu(menu, wxID_ANY, makeEditMenu(), _("&Edit"), wxString(), "blank.png");
    appendSubMenu(menu, wxID_ANY, makeViewMenu(), _("&View"), wxString(), "blank.png");
    appendSubMenu(menu, wxID_ANY, makeGoMenu(), _("&Go"), wxString(), "blank.png");
    appendSubMenu(menu, wxID_ANY, makePictureMenu(), _("&Picture"), wxString(), "blank.png");
    appendSubMenu(menu, wxID_ANY, makeOperationsMenu(), _("&Operations"), wxString(), "blank.png");
    appendSubMenu(menu, wxID_ANY, makeAccountMenu(), _("&Account"), wxString(), "blank.png");
    appendSubMenu(menu, wxID_ANY, makeToolsMenu(), _("&Tools"), wxString(), "blank.png");
    forEachPluginMenu([&](const wxString& label, wxMenu* added, const wxString& icon) {
        appendSubMenu(menu, wxID_ANY, added, label, wxString(), icon);
    });
    appendSubMenu(menu, wxID_ANY, makeHelpMenu(), _("&Help"), wxString(), "blank.png");
    if (m_options.diagnostics)
        appendSubMenu(menu, wxID_ANY, makeDebugMenu(), _("&Debug"), wxString(), "debug.png");
    menu->AppendSeparator();
    append(menu, ID_OPTIONS, _("&Options..."), wxString(), "options.png");
    append(menu, ID_ABOUT, _("About..."), wxString(), "about.png");
    return menu;
}

wxMenu* MainMenus::makeWebsiteMenu() const
{
    auto* menu = new wxMenu;
    append(menu, ID_WEB_FRONT_PAGE, _("Website Front Page"), wxString(), "website.png");
    append(menu, ID_WEB_SAFE_STORAGE, _("Safe Storage on Web"), wxString(), "safe_storage.png");
    append(menu, ID_WEB_ORDER_PRINTS, _("Order Prints on Web"), wxString(), "order_prints.png");
    if (!m_options.webLinkName1.empty())
        append(menu, ID_WEB_LINK1, m_options.webLinkName1, wxString(), "website.png");
    if (!m_options.webLinkName2.empty())
        append(menu, ID_WEB_LINK2, m_options.webLinkName2, wxString(), "website.png");
    appendPlugins(menu, "/Toolbar/Website/", {0, 100});
    return menu;
}
