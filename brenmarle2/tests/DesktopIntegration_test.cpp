#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/utils.h>

#include "ScratchDir.h"
#include "main/DesktopIntegration.h"
#include "system/Environment.h"

class DesktopIntegrationTest : public ::testing::Test {
protected:
    DesktopIntegrationTest() { Quorvel::Environment::init("vistrelle", dir / "program"); }
    ScratchDir dir{ScratchDir::AsHome};
    DesktopIntegration desktop{"/opt/vistrelle/bin/vistrelle", "Quorvel Vistrelle"};
};

TEST_F(DesktopIntegrationTest, RegisteringMakesTheProgramTheJpegDefault)
{
    ASSERT_TRUE(desktop.registerPictureHandler());
    const std::string entry = dir.readFile(".local/share/applications/vistrelle.desktop");
    EXPECT_NE(entry.find("Exec=\"/opt/vistrelle/bin/vistrelle\" %f"), std::string::npos);
    EXPECT_NE(entry.find("MimeType=image/jpeg;"), std::string::npos);
    EXPECT_NE(dir.readFile(".config/mimeapps.list").find("image/jpeg=vistrelle.desktop"),
              std::string::npos);
}

TEST_F(DesktopIntegrationTest, RemovalKeepsOtherProgramsHandlers)
{
    dir.writeFile(".config/mimeapps.list",
                  "[Default Applications]\nimage/jpeg=vistrelle.desktop;viewer.desktop;\n"
                  "x-content/image-dcf=vistrelle-camera.desktop\ntext/plain=editor.desktop\n");
    dir.writeFile(".local/share/applications/vistrelle.desktop", "[Desktop Entry]\n");
    dir.writeFile("Desktop/vistrelle.desktop", "[Desktop Entry]\n");
    dir.writeFile("program/brenmarle-updater", "");
    dir.writeFile("program/vistrelle.ini", "");

    desktop.removeInstallation(dir / "program");

    const std::string list = dir.readFile(".config/mimeapps.list");
    EXPECT_NE(list.find("image/jpeg=viewer.desktop;"), std::string::npos);
    EXPECT_EQ(list.find("vistrelle"), std::string::npos);
    EXPECT_NE(list.find("text/plain=editor.desktop"), std::string::npos);
    EXPECT_FALSE(wxFileExists(dir / ".local/share/applications/vistrelle.desktop"));
    EXPECT_FALSE(wxFileExists(dir / "Desktop/vistrelle.desktop"));
    EXPECT_FALSE(wxFileExists(dir / "program/brenmarle-updater"));
    EXPECT_TRUE(wxFileExists(dir / "program/vistrelle.ini"));
}

namespace {

// Sets $XDG_DATA_DIRS for one test and puts the old value back.
class DataDirs {
public:
    DataDirs() { m_had = wxGetEnv("XDG_DATA_DIRS", &m_old); }
    ~DataDirs() { m_had ? wxSetEnv("XDG_DATA_DIRS", m_old) : wxUnsetEnv("XDG_DATA_DIRS"); }
    void set(const wxString& value) { wxSetEnv("XDG_DATA_DIRS", value); }

private:
    bool m_had = false;
    wxString m_old;
};

} // namespace

// An installed program relies on the entry installed with it, as long as the desktop reads the
// share folder it lies in; its bin/ is not its own to clean.
TEST_F(DesktopIntegrationTest, InstalledProgramUsesTheInstalledEntry)
{
    dir.writeFile("usr/share/applications/vistrelle.desktop", "[Desktop Entry]\n");
    dir.writeFile("usr/bin/brenmarle-provider", "");
    Quorvel::Environment::init("vistrelle", dir / "usr/bin", dir / "usr/share/vistrelle");
    DesktopIntegration installed(dir / "usr/bin/vistrelle", "Quorvel Vistrelle");
    DataDirs dataDirs;
    dataDirs.set("/usr/share:" + dir / "usr/share");

    EXPECT_EQ(installed.installedEntry(), dir / "usr/share/applications/vistrelle.desktop");
    ASSERT_TRUE(installed.registerPictureHandler());
    ASSERT_TRUE(installed.registerCameraHandler());
    EXPECT_FALSE(wxFileExists(dir / ".local/share/applications/vistrelle.desktop"));
    EXPECT_FALSE(wxFileExists(dir / ".local/share/applications/vistrelle-camera.desktop"));
    const std::string list = dir.readFile(".config/mimeapps.list");
    EXPECT_NE(list.find("image/jpeg=vistrelle.desktop"), std::string::npos) << list;
    EXPECT_NE(list.find("x-content/image-dcf=vistrelle.desktop"), std::string::npos) << list;

    installed.removeInstallation(dir / "usr/bin/");
    EXPECT_TRUE(wxFileExists(dir / "usr/bin/brenmarle-provider"));

    // A share folder the desktop does not read: the entry goes into the user's folder.
    dataDirs.set("/usr/share");
    EXPECT_TRUE(installed.installedEntry().empty());
    ASSERT_TRUE(installed.registerPictureHandler());
    EXPECT_TRUE(wxFileExists(dir / ".local/share/applications/vistrelle.desktop"));

    // Installed into ~/.local: the entry in the user's folder is the installed one, kept whole.
    dir.writeFile(".local/share/applications/vistrelle.desktop",
                  "[Desktop Entry]\nIcon=vistrelle\n");
    DesktopIntegration userInstalled(dir / ".local/bin/vistrelle", "Quorvel Vistrelle");
    ASSERT_TRUE(userInstalled.registerPictureHandler());
    EXPECT_EQ(dir.readFile(".local/share/applications/vistrelle.desktop"),
              "[Desktop Entry]\nIcon=vistrelle\n");
}
