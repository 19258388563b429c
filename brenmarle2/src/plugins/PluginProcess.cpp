#include "plugins/PluginProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include <spawn.h>
#include <sys/wait.h>

#include "system/Exceptions.h"

struct PluginProcess::State {
    std::mutex mutex;
    std::condition_variable ended;
    bool running = true;
    int status = 0;
};

namespace {

// Owners of the spawn attributes and file actions, released on every path.
struct SpawnAttributes {
    posix_spawnattr_t value;
    SpawnAttributes() { posix_spawnattr_init(&value); }
    ~SpawnAttributes() { posix_spawnattr_destroy(&value); }
};
struct SpawnActions {
    posix_spawn_file_actions_t value;
    SpawnActions() { posix_spawn_file_actions_init(&value); }
    ~SpawnActions() { posix_spawn_file_actions_destroy(&value); }
};

std::vector<char*> pointers(const std::vector<std::string>& strings)
{
    std::vector<char*> result;
    for (const std::string& s : strings)
        result.push_back(const_cast<char*>(s.c_str()));
    result.push_back(nullptr);
    return result;
}

} // namespace

std::shared_ptr<PluginProcess> PluginProcess::start(const std::vector<std::string>& arguments,
                                                    const std::vector<std::string>& environment,
                                                    const std::string& workingDirectory,
                                                    ExitHandler onExit)
{
    if (arguments.empty() || arguments[0].empty())
        throw Quorvel::RuntimeException("Empty command line");
    SpawnAttributes attributes;
    // A group of its own, and the signal state a freshly started program expects: this process
    // ignores SIGPIPE and may block signals in the calling thread.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGINT);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGHUP);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setpgroup(&attributes.value, 0);
    posix_spawnattr_setsigdefault(&attributes.value, &defaults);
    posix_spawnattr_setsigmask(&attributes.value, &none);
    posix_spawnattr_setflags(&attributes.value, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF |
                                                    POSIX_SPAWN_SETSIGMASK);
    SpawnActions actions;
    // Only standard input and output go to the plug-in: a descriptor of ours left open in a
    // plug-in that outlives us (the instance server's socket, a pipe) would outlive us too.
    posix_spawn_file_actions_addclosefrom_np(&actions.value, 3);
    if (!workingDirectory.empty())
        posix_spawn_file_actions_addchdir_np(&actions.value, workingDirectory.c_str());

    std::vector<char*> argv = pointers(arguments);
    std::vector<char*> envp = pointers(environment);
    pid_t pid = -1;
    const int error =
        posix_spawnp(&pid, argv[0], &actions.value, &attributes.value, argv.data(), envp.data());
    if (error != 0) {
        throw Quorvel::RuntimeException(wxString::Format("Could not run command %s: %s",
                                                         wxString::FromUTF8(arguments[0]),
                                                         wxString::FromUTF8(std::strerror(error))));
    }
    auto state = std::make_shared<State>();
    // The waiter owns the state with the process object, so it may outlive either.
    std::thread([pid, state, onExit = std::move(onExit)] {
        siginfo_t info{};
        while (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
               errno == EINTR) {
        }
        int status = 0;
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
            }
            state->status = status;
            state->running = false;
        }
        state->ended.notify_all();
        if (onExit)
            onExit(status);
    }).detach();
    return std::shared_ptr<PluginProcess>(new PluginProcess(pid, std::move(state)));
}

PluginProcess::PluginProcess(pid_t pid, std::shared_ptr<State> state)
    : m_pid(pid), m_state(std::move(state))
{
}

PluginProcess::~PluginProcess() = default;

bool PluginProcess::isRunning() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->running;
}

int PluginProcess::waitForExit() const
{
    std::unique_lock<std::mutex> lock(m_state->mutex);
    m_state->ended.wait(lock, [this] { return !m_state->running; });
    return m_state->status;
}

bool PluginProcess::waitForExit(std::chrono::milliseconds timeout) const
{
    std::unique_lock<std::mutex> lock(m_state->mutex);
    return m_state->ended.wait_for(lock, timeout, [this] { return !m_state->running; });
}

int PluginProcess::getStatus() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return m_state->status;
}

bool PluginProcess::succeeded() const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    return !m_state->running && WIFEXITED(m_state->status) && WEXITSTATUS(m_state->status) == 0;
}

bool PluginProcess::signalGroup(int signal) const
{
    std::lock_guard<std::mutex> lock(m_state->mutex);
    if (!m_state->running)
        return false;
    return ::kill(-m_pid, signal) == 0;
}

std::string PluginProcess::describeStatus(int status)
{
    if (WIFEXITED(status))
        return "exit code " + std::to_string(WEXITSTATUS(status));
    if (WIFSIGNALED(status))
        return "signal " + std::to_string(WTERMSIG(status));
    return "status " + std::to_string(status);
}
