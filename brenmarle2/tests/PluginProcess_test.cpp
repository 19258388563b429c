#include <gtest/gtest.h>

#include <csignal>

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include "plugins/PluginProcess.h"
#include "system/Exceptions.h"

TEST(PluginProcess, KeepsOurDescriptorsToItself)
{
    int pipeFds[2];
    ASSERT_EQ(0, ::pipe(pipeFds)); // inheritable on purpose
    std::shared_ptr<PluginProcess> process = PluginProcess::start({"sleep", "600"}, {}, "");
    ::close(pipeFds[1]);
    // The write end's last holder is gone, unless the plug-in inherited it.
    pollfd fd{pipeFds[0], POLLIN, 0};
    ASSERT_EQ(1, ::poll(&fd, 1, 30000));
    EXPECT_TRUE(fd.revents & POLLHUP);
    ::close(pipeFds[0]);
    EXPECT_TRUE(process->signalGroup(SIGKILL));
    EXPECT_EQ(SIGKILL, WTERMSIG(process->waitForExit()));
    // Ended and reaped: its group is never signalled again.
    EXPECT_FALSE(process->signalGroup(SIGKILL));
}

TEST(PluginProcess, ReportsWhatCouldNotStart)
{
    EXPECT_THROW(PluginProcess::start({"/no/such/program"}, {}, ""), Quorvel::RuntimeException);
    EXPECT_THROW(PluginProcess::start({"true"}, {}, "/no/such/folder"), Quorvel::RuntimeException);
    EXPECT_THROW(PluginProcess::start({}, {}, ""), Quorvel::RuntimeException);
}
