#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "main/Preferences.h"

TEST(Preferences, DefaultWidthThenRoundTrip)
{
    ScratchDir dir;
    {
        Preferences preferences(dir / "prefs.conf");
        EXPECT_EQ(preferences.getSidePanelWidth(), 185);
        preferences.setSidePanelWidth(240);
        EXPECT_TRUE(preferences.save());
    }
    EXPECT_NE(dir.readFile("prefs.conf").find("SidePanelWidth=240"), std::string::npos);
    EXPECT_EQ(Preferences(dir / "prefs.conf").getSidePanelWidth(), 240);
}
