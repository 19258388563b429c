#include "RunCommand.h"

#include <array>
#include <cstdio>
#include <memory>

#include <sys/wait.h>

CommandResult runCommand(const std::string& shellCommand)
{
    CommandResult result;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen((shellCommand + " 2>&1").c_str(), "r"),
                                               &::pclose);
    if (!pipe)
        return result;
    std::array<char, 4096> buffer{};
    size_t read = 0;
    while ((read = std::fread(buffer.data(), 1, buffer.size(), pipe.get())) > 0)
        result.output.append(buffer.data(), read);
    const int status = ::pclose(pipe.release());
    result.exitCode = status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
