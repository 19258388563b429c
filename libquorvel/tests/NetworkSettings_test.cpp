#include <gtest/gtest.h>

#include <wx/filefn.h>

#include "ScratchDir.h"
#include "service/NetworkSettings.h"

using Quorvel::NetworkSettings;

TEST(NetworkSettings, RereadsTheFileWhenItChangesAndFallsBackWhenItGoes)
{
    ScratchDir dir;
    NetworkSettings settings(dir / "network.ini");
    EXPECT_FALSE(settings.getValues().hasProxy());

    dir.writeFile("network.ini", "[HttpProxy]\nHost=proxy.lan\nPort=3128\nUserId=me\n"
                                 "Password=p$w\n[Http]\nPortOverride=8080\n[Soap]\nLogSent=1\n");
    auto values = settings.getValues();
    EXPECT_TRUE(values.hasProxy());
    EXPECT_EQ(values.proxyHost, "proxy.lan");
    EXPECT_EQ(values.proxyPort, 3128);
    EXPECT_EQ(values.proxyUser, "me");
    EXPECT_EQ(values.proxyPassword, "p$w");
    EXPECT_EQ(values.portOverride, 8080);
    EXPECT_TRUE(values.soapLogSent);

    // Rewritten within the same second, with a port of the same length.
    dir.writeFile("network.ini", "[HttpProxy]\nHost=proxy.lan\nPort=0\n");
    EXPECT_FALSE(settings.getValues().hasProxy());
    EXPECT_EQ(settings.getPortOverride(), 0);

    dir.writeFile("network.ini", "[HttpProxy]\nHost=other.lan\nPort=3128\n");
    ASSERT_TRUE(wxRemoveFile(dir / "network.ini"));
    EXPECT_EQ(settings.getProxyHost(), "");
}
