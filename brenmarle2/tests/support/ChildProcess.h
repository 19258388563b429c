#pragma once
// Runs a program for a test, collecting what it writes to stdout and stderr, so a test can wait
// for a line to appear instead of sleeping.

#include <chrono>
#include <string>
#include <vector>

#include <sys/types.h>

class ChildProcess {
public:
    // Starts `arguments[0]` with the rest as arguments and the current environment, in
    // `workingDir` when one is given.
    explicit ChildProcess(const std::vector<std::string>& arguments,
                          const std::string& workingDir = std::string());
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Reads output until `text` appears or `timeout` passes; true when it appeared.
    bool waitForOutput(const std::string& text, std::chrono::milliseconds timeout);
    // Waits for the process to end; returns its wait status, or -1 after `timeout`.
    int waitForExit(std::chrono::milliseconds timeout);
    void signal(int signalNumber);
    // Sends `signalNumber` and waits up to `timeout` for the program to end by itself: an
    // empty text when it exited with status 0, else what went wrong, with its output.
    std::string endOnSignal(int signalNumber, std::chrono::milliseconds timeout);
    // `timeout` as this build needs it: longer where the program is built with sanitizers.
    static std::chrono::milliseconds scaled(std::chrono::milliseconds timeout);

    const std::string& output() const { return m_output; }
    pid_t pid() const { return m_pid; }

private:
    // Reads what is available within `timeout`; false at end of output.
    bool readSome(std::chrono::milliseconds timeout);

    pid_t m_pid = -1;
    int m_outputFd = -1;
    bool m_exited = false;
    int m_status = 0;
    std::string m_output;
};
