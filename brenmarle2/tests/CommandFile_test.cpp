#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "main/CommandFile.h"

class CommandFileTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::vector<CommandFile::Action> actions;
    bool read(const std::string& content)
    {
        dir.writeFile("cmd.vscf", content);
        return CommandFile::read(dir / "cmd.vscf", actions);
    }
};

TEST_F(CommandFileTest, CommandsInDocumentOrderWithTheirFields)
{
    ASSERT_TRUE(read("<?xml version='1.0'?><commands>"
                     "<webimport><provider>lab</provider><defaultalbum>Ferie</defaultalbum>"
                     "<files><file>http://x/1.jpg</file><file>http://x/2.jpg</file></files></webimport>"
                     "<start/>"
                     "<importshare><accesstoken>t0k</accesstoken><files><fileid>a</fileid></files>"
                     "<serveruuid>u</serveruuid></importshare>"
                     "<openuri>app://view/inbox</openuri>"
                     "</commands>"));
    ASSERT_EQ(actions.size(), 4u);
    EXPECT_EQ(actions[0].name, "webimport");
    EXPECT_EQ(actions[0].fields.at("provider"), "lab");
    EXPECT_EQ(actions[0].fields.at("defaultalbum"), "Ferie");
    EXPECT_EQ(actions[0].files, (std::vector<wxString>{"http://x/1.jpg", "http://x/2.jpg"}));
    EXPECT_EQ(actions[1].name, "start");
    EXPECT_EQ(actions[2].fields.at("accesstoken"), "t0k");
    EXPECT_EQ(actions[2].files, std::vector<wxString>{"a"});
    EXPECT_EQ(actions[3].fields.at("uri"), "app://view/inbox");
}

TEST_F(CommandFileTest, UnknownElementIsSkippedAndTheRestRuns)
{
    ASSERT_TRUE(read("<c><format-disk/><start/></c>"));
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].name, "start");
}

TEST_F(CommandFileTest, BrokenXmlIsRefused)
{
    EXPECT_FALSE(read("<commands><start></commands>"));
    EXPECT_FALSE(read(""));
    EXPECT_TRUE(actions.empty());
}

TEST_F(CommandFileTest, MissingFileIsRefused)
{
    EXPECT_FALSE(CommandFile::read(dir / "absent.vscf", actions));
    EXPECT_FALSE(CommandFile::read(dir.path(), actions)); // a folder
}

TEST_F(CommandFileTest, OneMebibyteIsTheLimit)
{
    const std::string head = "<c><start/><!--";
    const std::string tail = "--></c>";
    std::string exact = head + std::string(CommandFile::MAX_SIZE - head.size() - tail.size(), 'x') + tail;
    ASSERT_EQ(exact.size(), 1048576u);
    EXPECT_TRUE(read(exact));
    EXPECT_EQ(actions.size(), 1u);
    actions.clear();
    std::string over = head + std::string(CommandFile::MAX_SIZE - head.size() - tail.size() + 1, 'x') + tail;
    EXPECT_FALSE(read(over));
    EXPECT_TRUE(actions.empty());
}

TEST_F(CommandFileTest, ExternalEntitiesAreNotExpanded)
{
    dir.writeFile("secret.txt", "top secret");
    ASSERT_TRUE(read("<?xml version='1.0'?><!DOCTYPE c [<!ENTITY x SYSTEM 'file://" +
                     (dir / "secret.txt").utf8_string() +
                     "'>]><c><openuri>&x;</openuri></c>"));
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].fields.at("uri").Find("top secret"), wxNOT_FOUND);
}
