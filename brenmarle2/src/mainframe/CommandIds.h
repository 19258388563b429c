#pragma once
// The main window's command identifiers, shared by the menu bar, the main-menu pop-up, the tool
// bar and the album pop-up (one command, one id, wherever it appears).

#include <wx/defs.h>

enum CommandId {
    ID_COMMAND_FIRST = wxID_HIGHEST + 100,
    // Archive
    ID_IMPORT_CAMERA,
    ID_IMPORT_COMPUTER,
    ID_NEW_ALBUM,
    ID_NEW_ORDER,
    ID_ORDER_ALBUM_PRINTS,
    ID_SHARE_ALBUM,
    ID_STORE_ALBUM_SAFELY,
    ID_RENAME_ALBUM,
    ID_DELETE_ALBUM,
    ID_ALBUM_PROPERTIES,
    ID_LOAD_HIDDEN_ALBUMS,
    ID_EXPORT_ARCHIVE,
    // Edit
    ID_SELECT_ALL,
    ID_SELECT_NONE,
    ID_INVERT_SELECTION,
    // View
    ID_FAVORITES_ONLY,
    ID_FULLSCREEN,
    ID_ZOOM_IN,
    ID_ZOOM_OUT,
    ID_VIEW_SHOPPING_CART,
    ID_VIEW_INBOX,
    ID_VIEW_KEYWORDS,
    ID_HIDE_SIDEBAR,
    // Go
    ID_GO_START,
    ID_GO_ALBUMS,
    ID_GO_CALENDAR,
    ID_GO_COMPUTER,
    ID_GO_SEARCH,
    // Picture
    ID_OPEN_PICTURE,
    ID_EDIT_PICTURE,
    ID_COPY_TO_DESKTOP,
    ID_COPY_TO_FOLDER,
    ID_SEND_WEB,
    ID_SEND_EMAIL,
    ID_SEND_MMS,
    ID_SEND_PRINTS,
    ID_ORDER_PRINTS,
    ID_SAFE_ADD,
    ID_SAFE_REMOVE,
    ID_SAFE_REPLACE,
    ID_SHARE_PICTURES,
    ID_PRINT,
    ID_SET_WALLPAPER,
    ID_DELETE_PICTURES,
    // Operations
    ID_ROTATE_LEFT,
    ID_ROTATE_RIGHT,
    ID_FAVORITE,
    ID_PICTURE_PROPERTIES,
    // Account
    ID_SYNC_SAFE_STORAGE,
    ID_SAFE_STORAGE_STATUS,
    ID_REGISTER_ACCOUNT,
    ID_LOGIN,
    ID_LOGOUT,
    // Tools
    ID_PICTURE_MAP,
    ID_SLIDESHOW,
    ID_CREATE_PRODUCTS,
    ID_OPTIONS,
    // Help
    ID_HELP_CONTENTS,
    ID_REMOTE_ASSISTANCE,
    ID_SUPPORT_INFO,
    ID_SELF_REPAIR,
    ID_CHECK_UPDATE,
    ID_ABOUT,
    // Debug
    ID_OPENGL_TEST,
    ID_UNHANDLED_EXCEPTION,
    ID_GENERATE_CRASH,
    // Tool bar
    ID_MAIN_MENU,
    ID_GET_PHOTOS,
    ID_WEBSITE,
    ID_WEB_FRONT_PAGE,
    ID_WEB_SAFE_STORAGE,
    ID_WEB_ORDER_PRINTS,
    ID_WEB_LINK1,
    ID_WEB_LINK2,
    // Submenu items, so their labels can follow the selection
    ID_GET_PHOTOS_MENU,
    ID_SEND_TO_MENU,
    ID_SAFE_STORAGE_MENU,
    ID_COMMAND_LAST,
    // Plug-in items: this plus the command's index in PluginCommands.
    ID_PLUGIN_FIRST = ID_COMMAND_FIRST + 1000,
    ID_PLUGIN_LAST = ID_PLUGIN_FIRST + 999,
};
