#include "main/InstanceHandOver.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <wx/app.h>
#include <wx/init.h>
#include <wx/log.h>
#include <wx/stdpaths.h>

#include "main/BrenmarleClient.h"
#include "system/Log.h"
#include "system/ProcessLocale.h"

extern char** environ;

namespace {

enum HelperStatus { DELIVERED = 0, NO_CONNECTION = 3, NOT_DELIVERED = 4, HELPER_FAILED = 5 };

// Waits for `pid` to end within `timeout`; returns its wait status, or -1 on timeout.
int waitWithTimeout(pid_t pid, std::chrono::milliseconds timeout)
{
    const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
    if (pidfd >= 0) {
        pollfd entry{pidfd, POLLIN, 0};
        int ready;
        do {
            ready = ::poll(&entry, 1, static_cast<int>(timeout.count()));
        } while (ready < 0 && errno == EINTR);
        ::close(pidfd);
        if (ready == 0)
            return -1;
    } else {
        // Kernels without pidfd: poll the child's state.
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        int status = 0;
        while (::waitpid(pid, &status, WNOHANG) == 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return -1;
            ::usleep(10 * 1000);
        }
        return status;
    }
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

std::string environmentEntry(const char* name, const wxString& value)
{
    return std::string(name) + "=" + value.utf8_string();
}

} // namespace

InstanceHandOver::Result InstanceHandOver::handOver(const wxString& socketPath,
                                                    const wxString& command,
                                                    const wxString& argument,
                                                    std::chrono::milliseconds timeout)
{
    const std::string executable = wxStandardPaths::Get().GetExecutablePath().utf8_string();
    const std::string commandText = command.utf8_string();
    const std::string argumentText = argument.utf8_string();
    std::vector<char*> args{const_cast<char*>(executable.c_str()),
                            const_cast<char*>(commandText.c_str()),
                            const_cast<char*>(argumentText.c_str()), nullptr};

    std::vector<std::string> environment{environmentEntry(HELPER_VARIABLE, socketPath)};
    for (char** entry = environ; *entry; ++entry) {
        if (std::string(*entry).rfind(std::string(HELPER_VARIABLE) + "=", 0) != 0)
            environment.emplace_back(*entry);
    }
    std::vector<char*> envp;
    for (std::string& entry : environment)
        envp.push_back(entry.data());
    envp.push_back(nullptr);

    pid_t pid = 0;
    if (::posix_spawn(&pid, executable.c_str(), nullptr, nullptr, args.data(), envp.data()) != 0)
        return Result::NoAnswer;
    const int status = waitWithTimeout(pid, timeout);
    if (status == -1) {
        QDEBUG("[APPLICATION] Running instance did not answer within %lld ms",
               static_cast<long long>(timeout.count()));
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return Result::NoAnswer;
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == DELIVERED)
        return Result::Delivered;
    if (WIFEXITED(status) && WEXITSTATUS(status) == NO_CONNECTION)
        return Result::NoServer;
    return Result::NoAnswer;
}

int InstanceHandOver::runHelper(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    const char* socket = std::getenv(HELPER_VARIABLE);
    if (!socket || argc < 2)
        return HELPER_FAILED;
    // A console application object: the helper must not open a display or run the program.
    wxApp::SetInitializerFunction(nullptr);
    wxInitializer initializer(argc, argv);
    if (!initializer.IsOk())
        return HELPER_FAILED;
    Quorvel::logOnlyToStderr();
    Quorvel::enableStartupTraceMasks();
    Quorvel::enableTraceMasksFromEnvironment();

    const wxString command = wxString::FromUTF8(argv[1]);
    const wxString argument = argc > 2 ? wxString::FromUTF8(argv[2]) : wxString();
    BrenmarleClient client;
    switch (client.handOver(wxString::FromUTF8(socket), command, argument)) {
    case BrenmarleClient::Result::Delivered:
        return DELIVERED;
    case BrenmarleClient::Result::NoConnection:
        return NO_CONNECTION;
    case BrenmarleClient::Result::NotDelivered:
        break;
    }
    return NOT_DELIVERED;
}

wxString InstanceHandOver::socketPath(const wxString& runtimeDir, const wxString& ipcName,
                                      const wxString& sharedTempDir)
{
    const wxString path = runtimeDir + ipcName + ".socket";
    if (path.utf8_str().length() < sizeof(sockaddr_un::sun_path))
        return path;
    // Anyone can create names in the shared folder: a socket there could be another user's,
    // waiting for our commands. A folder of our own, that nobody else can write into, is safe.
    const uid_t uid = ::getuid();
    const wxString folder =
        wxString::Format("%s%s-%u", sharedTempDir, ipcName, static_cast<unsigned>(uid));
    const std::string folderPath = folder.utf8_string();
    if (::mkdir(folderPath.c_str(), 0700) != 0 && errno != EEXIST)
        return wxString();
    struct stat info {};
    if (::lstat(folderPath.c_str(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != uid ||
        (info.st_mode & 0077) != 0) {
        wxLogError("The folder %s is not this user's own; the program cannot listen for other "
                   "starts there.",
                   folder);
        return wxString();
    }
    return wxString::Format("%s/%zx.socket", folder,
                            std::hash<std::string>{}(runtimeDir.utf8_string()));
}

wxString InstanceHandOver::lockPath(const wxString& runtimeDir, const wxString& ipcName)
{
    return runtimeDir + ipcName + ".lock";
}
