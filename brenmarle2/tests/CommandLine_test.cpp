#include <gtest/gtest.h>

#include "main/CommandLine.h"

namespace {
StartupCommand parse(std::initializer_list<const char*> args)
{
    wxArrayString arguments;
    for (const char* arg : args)
        arguments.push_back(wxString::FromUTF8(arg));
    return CommandLine::parse(arguments);
}
} // namespace

TEST(CommandLine, NoArgumentsStartsTheProgram)
{
    const StartupCommand command = parse({});
    EXPECT_EQ(command.command, "start");
    EXPECT_EQ(command.argument, "");
    EXPECT_FALSE(command.registerCameraHandler);
}

TEST(CommandLine, OptionsIgnoreCaseAndTakeTheSecondArgument)
{
    EXPECT_EQ(parse({"--EDIT", "/p/a.jpg"}).command, "edit");
    EXPECT_EQ(parse({"--EDIT", "/p/a.jpg"}).argument, "/p/a.jpg");
    EXPECT_EQ(parse({"--OpenUri", "app://go/myalbums"}).command, "openuri");
    EXPECT_EQ(parse({"--deletedata", "2.4.16"}).command, "removedata");
    EXPECT_EQ(parse({"--removedata", "2.4.16"}).argument, "2.4.16");
    EXPECT_EQ(parse({"--setdefhandlers"}).command, "regdefhandlers");
    EXPECT_EQ(parse({"--runquery"}).argument, "");
    EXPECT_TRUE(parse({"--StiRegister"}).registerCameraHandler);
}

TEST(CommandLine, StiPrefixMeansCamera)
{
    const StartupCommand command = parse({"/StiDevice:{6BDD}", "/media/card"});
    EXPECT_EQ(command.command, "camera");
    EXPECT_EQ(command.argument, "/media/card");
}

TEST(CommandLine, CommandFileOnlyByLowerCaseExtension)
{
    EXPECT_EQ(parse({"/tmp/import.vscf"}).command, "command");
    EXPECT_EQ(parse({"/tmp/import.vscf"}).argument, "/tmp/import.vscf");
    const StartupCommand upper = parse({"/tmp/IMPORT.VSCF"});
    EXPECT_EQ(upper.command, "open");
    EXPECT_EQ(upper.argument, "/tmp/IMPORT.VSCF");
}

TEST(CommandLine, AnythingElseOpensThePicture)
{
    const StartupCommand command = parse({wxString::FromUTF8("/home/åse/Bilder/ferie.jpg").utf8_str().data(), "ignored"});
    EXPECT_EQ(command.command, "open");
    EXPECT_EQ(command.argument, wxString::FromUTF8("/home/åse/Bilder/ferie.jpg"));
    // An unknown option is taken as a file name, not dropped.
    EXPECT_EQ(parse({"--bogus"}).command, "open");
}
