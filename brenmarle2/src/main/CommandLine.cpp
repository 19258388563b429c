#include "main/CommandLine.h"

namespace {

struct Option {
    const char* option;
    const char* command;
};

// In the order they are tried.
const Option OPTIONS[] = {
    {"--edit", "edit"},
    {"--runquery", "runquery"},
    {"--camera", "camera"},
    {"--command", "command"},
    {"--openuri", "openuri"},
    {"--addtocart", "addtocart"},
    {"--removedata", "removedata"},
    {"--deletedata", "removedata"},
    {"--removebrenmarle", "removebrenmarle"},
    {"--regdefhandlers", "regdefhandlers"},
    {"--setdefhandlers", "regdefhandlers"},
};

const char USAGE[] =
    "Usage: vistrelle [PICTURE | FOLDER | FILE.vscf]\n"
    "       vistrelle OPTION [ARGUMENT]\n"
    "A desktop photo organiser. One instance runs per user: a later start hands its command\n"
    "to the running instance and ends. Only the first option and its argument are read.\n"
    "\n"
    "  PICTURE                 open the picture\n"
    "  FOLDER                  import from the folder of a camera or memory card\n"
    "  FILE.vscf               run a command file\n"
    "  --edit PICTURE          open the picture for editing\n"
    "  --openuri ADDRESS       open the main window at an address such as app://go/myalbums\n"
    "  --runquery TEXT         search the catalogue for the text\n"
    "  --camera [FOLDER]       import from a camera, or from the folder of a memory card\n"
    "  --command FILE          run a command file\n"
    "  --addtocart NAME        add a prepared order part to the shopping cart\n"
    "  --removedata VERSION    remove your data (VERSION must be this program's)\n"
    "  --regdefhandlers        make the program the default for JPEG pictures and end\n"
    "  --stiregister           make the program the handler of camera media and end\n"
    "  --removebrenmarle       remove the program's handler entries and end\n"
    "  --help                  print this help and end\n"
    "  --version               print the version and end\n";

} // namespace

wxString CommandLine::informationFor(const wxString& firstArgument)
{
    const wxString lower = firstArgument.Lower();
    if (lower == "--help" || lower == "-h")
        return USAGE;
    if (lower == "--version")
        return "vistrelle " VISTRELLE_VERSION "\n";
    return wxString();
}

StartupCommand CommandLine::parse(const wxArrayString& arguments)
{
    StartupCommand result;
    if (arguments.empty()) {
        result.command = "start";
        return result;
    }
    const wxString first = arguments[0];
    const wxString second = arguments.size() > 1 ? arguments[1] : wxString();
    const wxString lower = first.Lower();

    if (lower == "--stiregister") {
        result.registerCameraHandler = true;
        return result;
    }
    for (const Option& option : OPTIONS) {
        if (lower == option.option) {
            result.command = option.command;
            result.argument = second;
            return result;
        }
    }
    if (lower.Left(4) == "/sti") {
        result.command = "camera";
        result.argument = second;
    } else if (first.Right(5) == ".vscf") {
        result.command = "command";
        result.argument = first;
    } else {
        result.command = "open";
        result.argument = first;
    }
    return result;
}

void CommandLine::makePathsAbsolute(StartupCommand& command, const wxString& workingDir)
{
    const wxString& name = command.command;
    if (name != "open" && name != "edit" && name != "command" && name != "camera")
        return;
    if (command.argument.empty() || command.argument.StartsWith("/"))
        return;
    // Joined as typed (no "." or ".." folded away), so the path means what it meant here.
    command.argument =
        (workingDir.EndsWith("/") ? workingDir : workingDir + "/") + command.argument;
}
