#pragma once
// One started plug-in process. It is started with posix_spawn from an argument vector and an
// environment built for it alone (this process's environment and working directory are never
// changed, so other threads never see them half-set), in a process group of its own so that
// the whole plug-in can be signalled. A waiter thread reaps it when it ends.
//
// The waiter notices the end without reaping, marks the process ended under the lock, and only
// then reaps it: signalGroup() checks the mark under the same lock, so it can only hit the
// process group while its leader is still ours (running or a zombie), never an unrelated
// process that was given the id later.
//
// Threads: any thread. Lifetime: shared; the waiter keeps its state alive until the child ended,
// so a process may be forgotten while it runs.

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include <sys/types.h>

class PluginProcess {
public:
    // Called on the waiter thread with the wait status once the process ended and was reaped.
    using ExitHandler = std::function<void(int status)>;

    // Starts `arguments[0]` (searched on PATH when it has no "/") with `environment` ("NAME=value"
    // entries) in `workingDirectory`. Throws Quorvel::RuntimeException with the reason when the
    // program cannot be started.
    static std::shared_ptr<PluginProcess> start(const std::vector<std::string>& arguments,
                                                const std::vector<std::string>& environment,
                                                const std::string& workingDirectory,
                                                ExitHandler onExit = ExitHandler());
    ~PluginProcess();
    PluginProcess(const PluginProcess&) = delete;
    PluginProcess& operator=(const PluginProcess&) = delete;

    pid_t getPid() const { return m_pid; }
    bool isRunning() const;
    // Waits for the end; returns the wait status.
    int waitForExit() const;
    // False when it still runs after `timeout`.
    bool waitForExit(std::chrono::milliseconds timeout) const;
    // The wait status; only meaningful once it ended.
    int getStatus() const;
    // Whether it ended with exit code 0.
    bool succeeded() const;

    // Sends `signal` to the process group while the process runs; false when it had ended.
    bool signalGroup(int signal) const;

    // What the wait status says, for messages: "exit code 3", "signal 9".
    static std::string describeStatus(int status);

private:
    struct State;
    explicit PluginProcess(pid_t pid, std::shared_ptr<State> state);

    pid_t m_pid;
    std::shared_ptr<State> m_state;
};
