#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/utils.h>

#include "LogCapture.h"
#include "ScratchDir.h"
#include "system/Environment.h"

using Quorvel::Environment;

class EnvironmentTest : public ::testing::Test {
protected:
    EnvironmentTest() { Environment::init("vistrelle", dir.path() + "bin"); }
    ScratchDir dir{ScratchDir::AsHome};
};

TEST_F(EnvironmentTest, FoldersFollowXdgDataHomeAndTheIpcName)
{
    EXPECT_EQ(Environment::getProgramDir(), dir.path() + "bin/");
    EXPECT_EQ(Environment::getAppDataDir(), dir.path() + ".local/share/");
    EXPECT_EQ(Environment::getUserDataDir(), dir.path() + ".local/share/vistrelle/");
    EXPECT_EQ(Environment::getGlobalConfigPath(), dir.path() + "bin/vistrelle.ini");
    EXPECT_EQ(Environment::getUserConfigPath(), dir.path() + ".local/share/vistrelle/user.ini");
    EXPECT_EQ(Environment::getNetworkSettingsPath(),
              dir.path() + ".local/share/quorvel-common/network.ini");
    // Unset or relative, XDG_DATA_HOME falls back to ~/.local/share.
    wxUnsetEnv("XDG_DATA_HOME");
    EXPECT_EQ(Environment::getAppDataDir(), dir.path() + ".local/share/");
    wxSetEnv("XDG_DATA_HOME", "relative/is/ignored");
    EXPECT_EQ(Environment::getAppDataDir(), dir.path() + ".local/share/");
}

TEST_F(EnvironmentTest, ReadOnlyResourcesComeFromTheResourceFolder)
{
    EXPECT_EQ(Environment::getResourceDir(), dir.path() + "bin/");
    Environment::init("vistrelle", dir.path() + "bin", dir.path() + "share/vistrelle");
    EXPECT_EQ(Environment::getProgramDir(), dir.path() + "bin/");
    EXPECT_EQ(Environment::getGlobalConfigPath(), dir.path() + "share/vistrelle/vistrelle.ini");
    EXPECT_EQ(Environment::getSkinDir(), dir.path() + "share/vistrelle/skin");
    EXPECT_EQ(Environment::getUpdaterConfigPath(), dir.path() + "share/vistrelle/updater.ini");
}

TEST_F(EnvironmentTest, OverrideDirFirstLineWinsAndTheTxtFileCountsOnlyWithoutIt)
{
    dir.writeFile(".local/share/vistrelle/override.dir", "/srv/photos/\nignored\n");
    dir.writeFile(".local/share/vistrelle/override.dir.txt", "/srv/other");
    EXPECT_EQ(Environment::getUserDataDir(), "/srv/photos/");
    EXPECT_EQ(Environment::getDatabasePath(), "/srv/photos/database.db");
    ASSERT_TRUE(wxRemoveFile(dir / ".local/share/vistrelle/override.dir"));
    Environment::init("vistrelle", dir.path() + "bin");
    EXPECT_EQ(Environment::getUserDataDir(), "/srv/other/");
}

TEST_F(EnvironmentTest, RelativeOverrideDirIsRefusedWithAMessage)
{
    dir.writeFile(".local/share/vistrelle/override.dir", "photos\n");
    LogCapture log;
    EXPECT_EQ(Environment::getUserDataDir(), dir.path() + ".local/share/vistrelle/");
    EXPECT_TRUE(log.contains("not an absolute path"));
}

TEST_F(EnvironmentTest, DesktopComesFromUserDirsElseHomeDesktopAndSwitchesDebug)
{
    EXPECT_EQ(Environment::getDesktopDir(), dir.path() + "Desktop/");
    dir.writeFile(".config/user-dirs.dirs", "# comment\nXDG_DESKTOP_DIR=\"$HOME/Skrivebord\"\n");
    EXPECT_EQ(Environment::getDesktopDir(), dir.path() + "Skrivebord/");
    EXPECT_FALSE(Environment::isDebug());
    // Remembered once tested: creating the marker later changes nothing in this run.
    dir.writeFile("Skrivebord/debug.txt", "");
    EXPECT_FALSE(Environment::isDebug());
    Environment::init("vistrelle", dir.path() + "bin");
    EXPECT_TRUE(Environment::isDebug());
}
