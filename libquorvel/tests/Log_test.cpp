#include <gtest/gtest.h>

#include "LogCapture.h"
#include "system/Log.h"

TEST(Log, BackgroundErrorsReachTheLogButNeverTheUsersScreen)
{
    // Stands for the target that shows errors to the user; the chain owns it from here on.
    auto* screen = new LogCapture;
    Quorvel::chainLogToStderr();
    wxLogError("Shown to the user");
    Quorvel::logBackgroundError("Could not find folder (spool file)");
    wxLogWarning("Also shown");
    EXPECT_TRUE(screen->contains("Shown to the user"));
    EXPECT_TRUE(screen->contains("Also shown"));
    EXPECT_FALSE(screen->contains("spool file"));
    // The chain goes, and the screen with it.
    delete wxLog::SetActiveTarget(nullptr);
}
