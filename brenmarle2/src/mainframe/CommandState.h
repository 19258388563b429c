#pragma once
// Which of the main window's commands can run now, from the section shown and the selection.
// Kept apart from the window so the rules are tested without a display.
//
// Commands whose work comes with parts of the program not built yet (safe storage
// synchronisation, products, updates, remote assistance) stay disabled: an item that did
// nothing when chosen would lie.

#include "mainframe/Section.h"

struct CommandContext {
    Section section = Section::Start;
    // An album is chosen in the album list (My Albums).
    bool albumChosen = false;
    // The pictures the commands act on are the sidebar's (the Picture Inbox), not the
    // section's: the user last chose pictures there.
    bool sidebarPictures = false;
    // Pictures shown by that view, and how many of them are selected.
    int pictureCount = 0;
    int selectedCount = 0;
    // The selected pictures live in the program's own store (albums, the inbox): they can be
    // deleted, turned and marked, and the change is kept.
    bool selectionManaged = false;
    // Hidden albums exist that the list does not show yet.
    bool hiddenAlbumsLeft = false;
    // The desktop has a wallpaper setting we can write.
    bool wallpaperAvailable = false;
    // The application keeps a shopping cart this window can show and fill.
    bool orderingAvailable = false;
    // The application synchronises safe storage (asking for it needs no account: the command
    // explains why it cannot run without one).
    bool synchronizeAvailable = false;
    // The user is logged in to an account with a service provider.
    bool hasAccount = false;
};

class CommandState {
public:
    static bool isEnabled(int id, const CommandContext& context);
    // The command's work comes with a later part of the program.
    static bool isLaterWork(int id);
};
