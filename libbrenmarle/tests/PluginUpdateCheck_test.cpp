#include <gtest/gtest.h>

#include "AccountFixture.h"
#include "service/PluginUpdateCheck.h"

using Brenmarle::PluginUpdateCheck;
using Brenmarle::VManagerClient_1_0;

class PluginUpdateCheckTest : public ::testing::Test, protected ScratchHome {
protected:
    wxString key(const wxString& name)
    {
        wxString value;
        configuration.getUserConfig().readString("PluginUpdates/" + name, value, wxString());
        return value;
    }
    Quorvel::Configuration configuration;
};

TEST_F(PluginUpdateCheckTest, ListsAreNumberedFromOneWithoutGapsAndReplaceThePreviousOnes)
{
    VManagerClient_1_0::PluginUpdates first;
    for (const char* id : {"a", "b", "c"})
        first.requiredUpdates.push_back({"Title " + wxString(id), "Body", id, "1.0", "http://r/"});
    PluginUpdateCheck::store(configuration, first, 1000);
    EXPECT_EQ(key("ReqUpdate3"), "c");

    VManagerClient_1_0::PluginUpdates second;
    second.requiredUpdates = {{"Frames", "New frames", "frames", "2.4.16", "http://repo/"},
                              {"Bad", "", "bad", "2.4<script>", "http://repo/"},
                              {"No id", "", "", "1.0", "http://repo/"},
                              {"Books", "", "books", "1.2", "http://repo/"}};
    second.recommendedInstalls = {{"Maps", "Try maps", "maps", "0.9", "http://repo/"}};
    PluginUpdateCheck::store(configuration, second, 2000);

    EXPECT_EQ(key("ReqUpdate1"), "frames");
    EXPECT_EQ(key("ReqUpdate1Version"), "2.4.16");
    EXPECT_EQ(key("ReqUpdate1Repository"), "http://repo/");
    EXPECT_EQ(key("ReqUpdate1Description"), "New frames");
    EXPECT_EQ(key("ReqUpdate1Title"), "Frames");
    // The malformed entries are left out, and the numbers close up.
    EXPECT_EQ(key("ReqUpdate2"), "books");
    EXPECT_FALSE(configuration.getUserConfig().hasEntry("PluginUpdates/ReqUpdate3"));
    EXPECT_FALSE(configuration.getUserConfig().hasEntry("PluginUpdates/ReqUpdate3Title"));
    EXPECT_EQ(key("RecInstall1"), "maps");
    EXPECT_TRUE(key("RecUpdate1").empty());
}

TEST_F(PluginUpdateCheckTest, ACheckWithinThreeSecondsOfTheLastIsNotRepeated)
{
    EXPECT_TRUE(PluginUpdateCheck::isDue(configuration, 1000));
    PluginUpdateCheck::store(configuration, {}, 1000);
    EXPECT_FALSE(PluginUpdateCheck::isDue(configuration, 1002));
    EXPECT_TRUE(PluginUpdateCheck::isDue(configuration, 1003));
    // A last check "in the future" is a clock that was wrong.
    EXPECT_TRUE(PluginUpdateCheck::isDue(configuration, 900));
}
