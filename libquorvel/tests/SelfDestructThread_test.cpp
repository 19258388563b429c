#include <gtest/gtest.h>

#include <csignal>

#include <sys/wait.h>
#include <unistd.h>

#include "threads/SelfDestructThread.h"

using namespace std::chrono_literals;
using Quorvel::SelfDestructThread;

namespace {

// Runs `body` in a child process and returns its wait status.
template <typename Body> int inChild(Body body)
{
    const pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

} // namespace

TEST(SelfDestructThread, KillsAProcessWhoseStepHangs)
{
    const int status = inChild([] {
        SelfDestructThread watchdog(200ms);
        pause(); // a shut-down step that never returns
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGKILL);
}

TEST(SelfDestructThread, ResetKeepsAStepWithinItsOwnLimit)
{
    const int status = inChild([] {
        SelfDestructThread watchdog(400ms);
        // Three steps that together outlast the limit, each within it.
        for (int step = 0; step < 3; ++step) {
            usleep(250 * 1000);
            watchdog.resetTimer();
        }
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
