#include "mainframe/CommandState.h"

#include "mainframe/CommandIds.h"

bool CommandState::isLaterWork(int id)
{
    switch (id) {
    case ID_REMOTE_ASSISTANCE:
    case ID_SELF_REPAIR:
    case ID_CHECK_UPDATE:
    case ID_OPENGL_TEST:
    case ID_WEBSITE:
    case ID_WEB_FRONT_PAGE:
    case ID_WEB_SAFE_STORAGE:
    case ID_WEB_ORDER_PRINTS:
    case ID_WEB_LINK1:
    case ID_WEB_LINK2:
        return true;
    default:
        return false;
    }
}

bool CommandState::isEnabled(int id, const CommandContext& context)
{
    if (isLaterWork(id))
        return false;
    const bool albums = context.section == Section::Albums;
    const bool hasView = context.section != Section::Start || context.sidebarPictures;
    const bool selection = context.selectedCount > 0;
    switch (id) {
    case ID_RENAME_ALBUM:
    case ID_DELETE_ALBUM:
    case ID_ALBUM_PROPERTIES:
        return albums && context.albumChosen;
    case ID_LOAD_HIDDEN_ALBUMS:
        return context.hiddenAlbumsLeft;
    case ID_SELECT_ALL:
    case ID_INVERT_SELECTION:
        return hasView && context.pictureCount > 0;
    case ID_SELECT_NONE:
        return hasView && selection;
    case ID_FAVORITES_ONLY:
        return hasView;
    case ID_FULLSCREEN:
        return hasView && context.pictureCount > 0;
    case ID_OPEN_PICTURE:
    case ID_EDIT_PICTURE:
        // The picture window pages through the section's pictures from the selected one.
        return hasView && selection;
    case ID_COPY_TO_DESKTOP:
    case ID_COPY_TO_FOLDER:
    case ID_PRINT:
        return selection;
    case ID_SET_WALLPAPER:
        return context.selectedCount == 1 && context.wallpaperAvailable;
    case ID_DELETE_PICTURES:
    case ID_ROTATE_LEFT:
    case ID_ROTATE_RIGHT:
    case ID_FAVORITE:
        return selection && context.selectionManaged;
    case ID_PICTURE_PROPERTIES:
        return context.selectedCount == 1;
    case ID_VIEW_SHOPPING_CART:
    case ID_NEW_ORDER:
        return context.orderingAvailable;
    case ID_ORDER_PRINTS:
    case ID_SEND_PRINTS:
        return context.orderingAvailable && selection;
    case ID_SEND_WEB:
    case ID_SEND_EMAIL:
    case ID_SEND_MMS:
    case ID_SHARE_PICTURES:
        return selection;
    case ID_SHARE_ALBUM:
        return context.albumChosen;
    // Enabled for any picture and without an account: the command explains what it needs.
    case ID_SAFE_ADD:
    case ID_SAFE_REMOVE:
    case ID_SAFE_REPLACE:
        return selection;
    case ID_STORE_ALBUM_SAFELY:
        return context.albumChosen;
    case ID_ORDER_ALBUM_PRINTS:
        return context.orderingAvailable && context.albumChosen;
    // One account at a time: logging out comes before another.
    case ID_REGISTER_ACCOUNT:
    case ID_LOGIN:
        return !context.hasAccount;
    case ID_LOGOUT:
        return context.hasAccount;
    case ID_SYNC_SAFE_STORAGE:
        return context.synchronizeAvailable;
    default:
        return true;
    }
}
