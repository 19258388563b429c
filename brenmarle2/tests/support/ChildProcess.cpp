#include "ChildProcess.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <stdexcept>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

#ifndef VISTRELLE_SLOWDOWN
#define VISTRELLE_SLOWDOWN 1
#endif

// A program built with the sanitizers starts, hands over and ends several times slower (the
// leak check at exit alone takes seconds), so the same waits are given more time there.
milliseconds ChildProcess::scaled(milliseconds timeout)
{
    return timeout * VISTRELLE_SLOWDOWN;
}

ChildProcess::ChildProcess(const std::vector<std::string>& arguments, const std::string& workingDir)
{
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    if (!workingDir.empty())
        posix_spawn_file_actions_addchdir_np(&actions, workingDir.c_str());
    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const int rc = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    m_outputFd = fds[0];
    if (rc != 0)
        throw std::runtime_error("could not start " + arguments[0]);
}

ChildProcess::~ChildProcess()
{
    if (!m_exited && m_pid > 0) {
        ::kill(m_pid, SIGKILL);
        ::waitpid(m_pid, nullptr, 0);
    }
    if (m_outputFd >= 0)
        ::close(m_outputFd);
}

bool ChildProcess::readSome(milliseconds timeout)
{
    pollfd entry{m_outputFd, POLLIN, 0};
    // A negative timeout would wait for ever.
    const int ready = ::poll(&entry, 1, static_cast<int>(std::max<long long>(timeout.count(), 0)));
    if (ready <= 0)
        return ready == 0 || errno == EINTR;
    char buffer[4096];
    const ssize_t n = ::read(m_outputFd, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    m_output.append(buffer, static_cast<size_t>(n));
    return true;
}

bool ChildProcess::waitForOutput(const std::string& text, milliseconds timeout)
{
    const auto deadline = Clock::now() + scaled(timeout);
    while (m_output.find(text) == std::string::npos) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (left.count() <= 0 || !readSome(left))
            return m_output.find(text) != std::string::npos;
    }
    return true;
}

int ChildProcess::waitForExit(milliseconds timeout)
{
    if (m_exited)
        return m_status;
    const auto deadline = Clock::now() + scaled(timeout);
    // The output closes when the process (and anything that inherited its output) ends.
    while (Clock::now() < deadline) {
        const auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
        if (!readSome(left))
            break;
    }
    // Output closed (or time is up): give the process the rest of the time to be reaped.
    while (true) {
        const pid_t done = ::waitpid(m_pid, &m_status, WNOHANG);
        if (done == m_pid) {
            m_exited = true;
            return m_status;
        }
        if (Clock::now() >= deadline)
            return -1;
        pollfd none{-1, 0, 0};
        ::poll(&none, 0, 5);
    }
}

void ChildProcess::signal(int signalNumber) { ::kill(m_pid, signalNumber); }

std::string ChildProcess::endOnSignal(int signalNumber, std::chrono::milliseconds timeout)
{
    signal(signalNumber);
    const int status = waitForExit(timeout);
    if (status == -1)
        return "the program did not end: " + m_output;
    if (!WIFEXITED(status))
        return "the program was killed by signal " + std::to_string(WTERMSIG(status)) + ": " +
               m_output;
    if (WEXITSTATUS(status) != 0)
        return "the program exited with " + std::to_string(WEXITSTATUS(status)) + ": " + m_output;
    return std::string();
}
