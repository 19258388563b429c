#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include <sys/wait.h>
#include <wx/utils.h>

#include "ChildProcess.h"
#include "main/CommandLine.h"

using namespace std::chrono_literals;

TEST(CommandLine, OptionsIgnoreCaseCommandFilesDoNotAndAnythingElseIsOpened)
{
    struct Case {
        std::vector<const char*> arguments;
        const char* command;
        const char* argument;
    };
    const Case cases[] = {
        {{}, "start", ""},
        {{"--EDIT", "/p/a.jpg"}, "edit", "/p/a.jpg"},
        {{"--OpenUri", "app://go/myalbums"}, "openuri", "app://go/myalbums"},
        {{"--deletedata", "2.4.16"}, "removedata", "2.4.16"},
        {{"--removedata", "2.4.16"}, "removedata", "2.4.16"},
        {{"--setdefhandlers"}, "regdefhandlers", ""},
        {{"--runquery"}, "runquery", ""},
        {{"/StiDevice:{6BDD}", "/media/card"}, "camera", "/media/card"},
        // Command files only by the lower-case extension.
        {{"/tmp/import.vscf"}, "command", "/tmp/import.vscf"},
        {{"/tmp/IMPORT.VSCF"}, "open", "/tmp/IMPORT.VSCF"},
        {{"/home/åse/Bilder/ferie.jpg", "ignored"}, "open", "/home/åse/Bilder/ferie.jpg"},
        // An unknown option is taken as a file name, not dropped.
        {{"--bogus"}, "open", "--bogus"},
    };
    for (const Case& c : cases) {
        wxArrayString arguments;
        for (const char* argument : c.arguments)
            arguments.push_back(wxString::FromUTF8(argument));
        const StartupCommand command = CommandLine::parse(arguments);
        EXPECT_EQ(command.command, c.command) << (c.arguments.empty() ? "" : c.arguments[0]);
        EXPECT_EQ(command.argument, wxString::FromUTF8(c.argument)) << command.command;
        EXPECT_FALSE(command.registerCameraHandler) << command.command;
    }
    wxArrayString camera;
    camera.push_back("--StiRegister");
    EXPECT_TRUE(CommandLine::parse(camera).registerCameraHandler);
}

TEST(CommandLine, FileArgumentsAreMadeAbsoluteBeforeTheyAreHandedOver)
{
    const auto absolute = [](const char* command, const char* argument) {
        StartupCommand parsed{command, wxString::FromUTF8(argument)};
        CommandLine::makePathsAbsolute(parsed, "/home/åse");
        return parsed.argument;
    };
    EXPECT_EQ(absolute("open", "Bilder/../a.jpg"), wxString::FromUTF8("/home/åse/Bilder/../a.jpg"));
    EXPECT_EQ(absolute("edit", "a.jpg"), wxString::FromUTF8("/home/åse/a.jpg"));
    EXPECT_EQ(absolute("command", "import.vscf"), wxString::FromUTF8("/home/åse/import.vscf"));
    EXPECT_EQ(absolute("camera", "card"), wxString::FromUTF8("/home/åse/card"));
    EXPECT_EQ(absolute("open", "/p/a.jpg"), "/p/a.jpg");
    EXPECT_EQ(absolute("camera", ""), "");
    EXPECT_EQ(absolute("openuri", "app://go/myalbums"), "app://go/myalbums");
    EXPECT_EQ(absolute("removedata", "2.4.16"), "2.4.16");
}

namespace {

// Takes a variable out of the environment that child processes inherit, for one test.
class WithoutVariable {
public:
    explicit WithoutVariable(const wxString& name) : m_name(name)
    {
        m_had = wxGetEnv(name, &m_value);
        wxUnsetEnv(name);
    }
    ~WithoutVariable()
    {
        if (m_had)
            wxSetEnv(m_name, m_value);
    }

private:
    wxString m_name;
    wxString m_value;
    bool m_had = false;
};

} // namespace

TEST(CommandLine, HelpAndVersionAreAnsweredWithoutADisplayAndEndWell)
{
    EXPECT_TRUE(CommandLine::informationFor("--HELP").Contains("--openuri ADDRESS"));
    EXPECT_EQ(CommandLine::informationFor("-h"), CommandLine::informationFor("--help"));
    EXPECT_EQ(CommandLine::informationFor("--Version"), "vistrelle " VISTRELLE_VERSION "\n");
    for (const char* other : {"", "--helpme", "--edit", "help", "/p/--version"})
        EXPECT_TRUE(CommandLine::informationFor(other).empty()) << other;

    // A terminal without a display, as over ssh: the toolkit must not even start.
    const WithoutVariable noDisplay("DISPLAY");
    const WithoutVariable noWayland("WAYLAND_DISPLAY");
    for (const char* option : {"--help", "--version"}) {
        ChildProcess program({VISTRELLE_BINARY, option});
        const int status = program.waitForExit(10s);
        ASSERT_NE(status, -1) << option << " did not end: " << program.output();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0)
            << option << ": " << program.output();
        EXPECT_EQ(wxString::FromUTF8(program.output()), CommandLine::informationFor(option));
    }
}
