#include <gtest/gtest.h>

#include <cstdlib>

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

TEST_F(CommandFileTest, TheLimitHoldsForWhatIsParsedNotForTheFileSize)
{
    // A compressed document is small on disk; only the bytes in the file may be parsed.
    dir.writeFile("big.xml",
                  "<c><start/><!--" + std::string(2 * CommandFile::MAX_SIZE, 'x') + "--></c>");
    ASSERT_EQ(
        std::system(
            ("gzip -c '" + (dir / "big.xml") + "' > '" + (dir / "big.vscf") + "'").utf8_str()),
        0);
    EXPECT_FALSE(CommandFile::read(dir / "big.vscf", actions));
    EXPECT_TRUE(actions.empty());
}

TEST_F(CommandFileTest, EntitiesAreNeverExpanded)
{
    std::string laughs = "<?xml version='1.0'?><!DOCTYPE c [<!ENTITY l0 'lol'>";
    for (int i = 1; i <= 9; ++i) {
        laughs += "<!ENTITY l" + std::to_string(i) + " '";
        for (int j = 0; j < 10; ++j)
            laughs += "&l" + std::to_string(i - 1) + ";";
        laughs += "'>";
    }
    if (read(laughs + "]><c><openuri>&l9;</openuri></c>")) {
        ASSERT_EQ(actions.size(), 1u);
        EXPECT_EQ(actions[0].fields.at("uri"), "");
    }
    actions.clear();
    // Wide rather than deep: 64 KiB taken 1000 times passes the parser's own checks.
    ASSERT_TRUE(read("<?xml version='1.0'?><!DOCTYPE c [<!ENTITY a '" + std::string(65536, 'a') +
                     "'>]><c><openuri>app://x/&amp;" +
                     [] {
                         std::string references;
                         for (int i = 0; i < 1000; ++i)
                             references += "&a;";
                         return references;
                     }() +
                     "</openuri></c>"));
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].fields.at("uri"), "app://x/&");
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
