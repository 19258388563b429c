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

} // namespace

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
