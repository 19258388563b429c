#include <gtest/gtest.h>

#include <cstdlib>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

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

// The desktop's own launcher starts the program from the entry, so the quoting is read the way
// a file manager's "Open with" reads it.
TEST_F(DesktopIntegrationTest, ExecLineStartsAProgramWhosePathHasReservedCharacters)
{
    const wxString program = dir / "it's \"$HOME\" `x` \\\"q\\\" two\\\\back\\slashes/vistrelle";
    writeFile(program, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > \"$ARGUMENTS_OUT\"\n");
    ASSERT_EQ(::chmod(program.utf8_str(), 0755), 0);
    const wxString arguments = dir / "arguments";
    ASSERT_EQ(::mkfifo(arguments.utf8_str(), 0600), 0);
    wxSetEnv("ARGUMENTS_OUT", arguments);
    ASSERT_TRUE(DesktopIntegration(program, "Vistrelle").registerPictureHandler());

    // Opened before the launch, so the program's write waits for this reader.
    const int fd = ::open(arguments.utf8_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(fd, 0);
    const wxString entry = dir / ".local/share/applications/vistrelle.desktop";
    EXPECT_EQ(std::system(("gio launch '" + entry + "' /p/a.jpg").utf8_str()), 0);
    std::string received;
    pollfd ready{fd, POLLIN, 0};
    while (::poll(&ready, 1, 20000) > 0) {
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            break;
        received.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    wxUnsetEnv("ARGUMENTS_OUT");
    EXPECT_EQ(received, program.utf8_string() + "\n/p/a.jpg\n");

    // The launcher refuses a program path with '%' before expanding field codes, so that rule
    // is checked on the line itself.
    ASSERT_TRUE(DesktopIntegration("/opt/100%/vistrelle", "Vistrelle").registerPictureHandler());
    EXPECT_NE(readFile(entry).find("Exec=\"/opt/100%%/vistrelle\" %f\n"), std::string::npos);
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
