#pragma once
// What a start of the program was asked to do: a command name and its argument, read from the
// first two command-line arguments.

#include <wx/arrstr.h>
#include <wx/string.h>

struct StartupCommand {
    wxString command;
    wxString argument;
    // "--stiregister": register as the handler of camera media, then end.
    bool registerCameraHandler = false;
};

class CommandLine {
public:
    // `arguments` are the program's arguments without the program name. Options are compared
    // lower-cased; a ".vscf" command file is recognised only by its lower-case extension.
    static StartupCommand parse(const wxArrayString& arguments);
    // Makes the file argument of "open", "edit", "command" and "camera" absolute against
    // `workingDir`: the running instance that may receive it has a working directory of its own.
    static void makePathsAbsolute(StartupCommand& command, const wxString& workingDir);

    // What to print for a first argument that only asks about the program: "--help" (or "-h")
    // gives the usage, "--version" the name and version, in any letter case. Empty for any
    // other argument. Needs no toolkit, so it is answered before one starts (and without a
    // display).
    static wxString informationFor(const wxString& firstArgument);
};
