#include <gtest/gtest.h>

#include <vector>

#include "main/CommandLine.h"

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
