#include <gtest/gtest.h>

#include <wx/filefn.h>

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
