#include <gtest/gtest.h>

#include "mainframe/CommandIds.h"
#include "mainframe/CommandState.h"

TEST(CommandState, LaterWorkStaysDisabledWhateverIsSelected)
{
    CommandContext context;
    context.section = Section::Albums;
    context.albumChosen = true;
    context.pictureCount = 5;
    context.selectedCount = 2;
    context.selectionManaged = true;
    for (int id : {ID_SYNC_SAFE_STORAGE, ID_CHECK_UPDATE, ID_WEBSITE})
        EXPECT_FALSE(CommandState::isEnabled(id, context)) << id;
    for (int id :
         {ID_NEW_ALBUM, ID_DELETE_ALBUM, ID_DELETE_PICTURES, ID_ROTATE_LEFT, ID_COPY_TO_DESKTOP,
          ID_SELECT_NONE, ID_OPTIONS, ID_ABOUT, ID_IMPORT_CAMERA, ID_IMPORT_COMPUTER, ID_GET_PHOTOS,
          ID_OPEN_PICTURE, ID_EDIT_PICTURE, ID_SLIDESHOW, ID_PICTURE_MAP})
        EXPECT_TRUE(CommandState::isEnabled(id, context)) << id;
}

TEST(CommandState, CommandsFollowTheSectionAndTheSelection)
{
    CommandContext context;
    context.section = Section::Start;
    context.albumChosen = true;
    EXPECT_FALSE(CommandState::isEnabled(ID_RENAME_ALBUM, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_SELECT_ALL, context));

    context.section = Section::Computer;
    context.pictureCount = 3;
    context.selectedCount = 1;
    EXPECT_TRUE(CommandState::isEnabled(ID_SELECT_ALL, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_COPY_TO_FOLDER, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_PICTURE_PROPERTIES, context));
    // The user's own folders are shown in place: nothing there is deleted or changed.
    EXPECT_FALSE(CommandState::isEnabled(ID_DELETE_PICTURES, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_FAVORITE, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_SET_WALLPAPER, context));
    context.wallpaperAvailable = true;
    EXPECT_TRUE(CommandState::isEnabled(ID_SET_WALLPAPER, context));
    context.selectedCount = 2;
    EXPECT_FALSE(CommandState::isEnabled(ID_SET_WALLPAPER, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_PICTURE_PROPERTIES, context));
    // The picture window opens on a picture of the user's own folders too, and on several.
    EXPECT_TRUE(CommandState::isEnabled(ID_EDIT_PICTURE, context));
    context.selectedCount = 0;
    EXPECT_FALSE(CommandState::isEnabled(ID_OPEN_PICTURE, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_SLIDESHOW, context));

    EXPECT_FALSE(CommandState::isEnabled(ID_LOAD_HIDDEN_ALBUMS, context));
    context.hiddenAlbumsLeft = true;
    EXPECT_TRUE(CommandState::isEnabled(ID_LOAD_HIDDEN_ALBUMS, context));
}

TEST(CommandState, TheSidebarsPicturesHaveTheirCommandsOnTheStartPage)
{
    CommandContext context;
    context.section = Section::Start;
    context.pictureCount = 4;
    context.selectedCount = 1;
    context.selectionManaged = true;
    EXPECT_FALSE(CommandState::isEnabled(ID_OPEN_PICTURE, context));
    context.sidebarPictures = true;
    for (int id : {ID_OPEN_PICTURE, ID_SELECT_ALL, ID_FULLSCREEN, ID_ROTATE_RIGHT})
        EXPECT_TRUE(CommandState::isEnabled(id, context)) << id;
}

TEST(CommandState, OrderingCommandsNeedTheCartAndSomethingToOrder)
{
    CommandContext context;
    context.section = Section::Albums;
    context.albumChosen = true;
    context.pictureCount = 5;
    context.selectedCount = 2;
    // A window without the application's cart (tests, a start that failed) offers none.
    for (int id : {ID_VIEW_SHOPPING_CART, ID_NEW_ORDER, ID_ORDER_PRINTS, ID_ORDER_ALBUM_PRINTS})
        EXPECT_FALSE(CommandState::isEnabled(id, context)) << id;
    context.orderingAvailable = true;
    for (int id : {ID_VIEW_SHOPPING_CART, ID_NEW_ORDER, ID_ORDER_PRINTS, ID_ORDER_ALBUM_PRINTS})
        EXPECT_TRUE(CommandState::isEnabled(id, context)) << id;
    // Without an account "New Order" is still offered: it leads to registering one first.
    EXPECT_FALSE(context.hasAccount);
    context.selectedCount = 0;
    context.albumChosen = false;
    EXPECT_FALSE(CommandState::isEnabled(ID_ORDER_PRINTS, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_ORDER_ALBUM_PRINTS, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_VIEW_SHOPPING_CART, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_NEW_ORDER, context));
}

TEST(CommandState, AccountCommandsFollowTheAccountState)
{
    CommandContext context;
    EXPECT_TRUE(CommandState::isEnabled(ID_REGISTER_ACCOUNT, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_LOGIN, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_LOGOUT, context));
    context.hasAccount = true;
    EXPECT_FALSE(CommandState::isEnabled(ID_REGISTER_ACCOUNT, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_LOGIN, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_LOGOUT, context));
}

TEST(CommandState, SharingNeedsPicturesAndPrintsNeedOrdering)
{
    CommandContext context;
    context.section = Section::Computer;
    context.pictureCount = 3;
    for (int id : {ID_SEND_WEB, ID_SEND_EMAIL, ID_SEND_MMS, ID_SHARE_PICTURES, ID_SEND_PRINTS})
        EXPECT_FALSE(CommandState::isEnabled(id, context)) << id;
    context.selectedCount = 1;
    // Pictures of the user's own folders are shared as well as the program's.
    for (int id : {ID_SEND_WEB, ID_SEND_EMAIL, ID_SEND_MMS, ID_SHARE_PICTURES})
        EXPECT_TRUE(CommandState::isEnabled(id, context)) << id;
    EXPECT_FALSE(CommandState::isEnabled(ID_SEND_PRINTS, context));
    context.orderingAvailable = true;
    EXPECT_TRUE(CommandState::isEnabled(ID_SEND_PRINTS, context));
    EXPECT_FALSE(CommandState::isEnabled(ID_SHARE_ALBUM, context));
    context.albumChosen = true;
    EXPECT_TRUE(CommandState::isEnabled(ID_SHARE_ALBUM, context));
}

TEST(CommandState, SafeStorageCommandsNeedPicturesOrAnAlbum)
{
    CommandContext context;
    context.section = Section::Computer;
    context.pictureCount = 3;
    for (int id : {ID_SAFE_ADD, ID_SAFE_REMOVE, ID_SAFE_REPLACE, ID_STORE_ALBUM_SAFELY})
        EXPECT_FALSE(CommandState::isEnabled(id, context)) << id;
    // Pictures of the user's folders too, and without an account: the command says why it
    // cannot store them.
    context.selectedCount = 1;
    for (int id : {ID_SAFE_ADD, ID_SAFE_REMOVE, ID_SAFE_REPLACE})
        EXPECT_TRUE(CommandState::isEnabled(id, context)) << id;
    EXPECT_FALSE(CommandState::isEnabled(ID_STORE_ALBUM_SAFELY, context));
    context.section = Section::Albums;
    context.albumChosen = true;
    EXPECT_TRUE(CommandState::isEnabled(ID_STORE_ALBUM_SAFELY, context));
    EXPECT_TRUE(CommandState::isEnabled(ID_SAFE_STORAGE_STATUS, context));
}

TEST(CommandState, SynchronizingNeedsTheApplicationsSynchronizerButNoAccount)
{
    CommandContext context;
    EXPECT_FALSE(CommandState::isEnabled(ID_SYNC_SAFE_STORAGE, context));
    context.synchronizeAvailable = true;
    EXPECT_TRUE(CommandState::isEnabled(ID_SYNC_SAFE_STORAGE, context));
    EXPECT_FALSE(CommandState::isLaterWork(ID_SYNC_SAFE_STORAGE));
}
