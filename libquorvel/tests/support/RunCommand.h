#pragma once
// Runs a shell command for a test and collects what it writes to either stream.

#include <string>

struct CommandResult {
    // The exit code, or -1 when the command did not end normally (a crash, a signal).
    int exitCode = -1;
    std::string output;
};

CommandResult runCommand(const std::string& shellCommand);
