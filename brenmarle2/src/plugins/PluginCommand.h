#pragma once
// One plug-in command as its bundle's command INI file describes it: where it sits in the menus,
// which selections enable it, and how it runs. Values only; the loader fills them.

#include <vector>

#include <wx/string.h>

class PluginCommand {
public:
    // The numbers are those the bundle format gives the type names.
    enum Type {
        TYPE_UNKNOWN = 0,
        SEPARATOR = 1,
        WEBLINK = 2,
        COMMAND = 3,
        FILEFILTER = 4,
        FILECOPYFILTER = 5,
        IMPORT = 6
    };
    enum ExecuteMode { MODE_NONE = 0, ASYNC = 1, SYNC = 2, MODAL = 3 };
    // What happens to a process still running when the program quits.
    enum QuitAction { QUIT_NOTHING = 0, QUIT_TERM = 1, QUIT_KILL = 2 };

    // The command's identity: its INI file's name without ".ini". Unique within its bundle.
    wxString id;
    // The bundle's identity ("Uuid" of its bundle.ini) and folder (ending in "/").
    wxString packageId;
    wxString bundleDir;

    Type type = TYPE_UNKNOWN;
    wxString menuId;
    int priority = 50;
    wxString priorityText;
    wxString menuItem;
    wxString menuItemHelp;
    wxString menuIcon;

    // Content types (or patterns such as "image/*") of selected files the command accepts;
    // empty accepts every type.
    std::vector<wxString> acceptContentTypes;
    int minFiles = 0;
    // -1: no upper limit.
    int maxFiles = -1;
    bool needsFileSelInfo = false;
    bool needsFolderInfo = false;

    wxString workingDirectory;
    wxString splashTitle;
    wxString execute;
    wxString forEachExecute;
    wxString webLinkUrl;
    ExecuteMode executeMode = MODE_NONE;
    QuitAction quitAction = QUIT_NOTHING;
    bool requireLoginInfo = false;
    // Milliseconds between the processes of a FILECOPYFILTER command ("ForEachPause").
    long forEachPauseMs = 0;

    // Whether a selection of files of these content types enables the command.
    bool isEnabledFor(const std::vector<wxString>& contentTypes) const;

    static Type parseType(const wxString& text);
    static ExecuteMode parseExecuteMode(const wxString& text);
    static QuitAction parseQuitAction(const wxString& text);
};
