#include <gtest/gtest.h>

#include "util/VersionNumber.h"

using Quorvel::VersionNumber;

namespace {

VersionNumber version(const char* text)
{
    const auto parsed = VersionNumber::parse(text);
    EXPECT_TRUE(parsed) << text;
    return parsed.value_or(VersionNumber(0, 0, 0));
}

} // namespace

TEST(VersionNumber, PartsCompareAsNumbersNotAsText)
{
    EXPECT_TRUE(version("2.4.9") < version("2.4.16"));
    EXPECT_TRUE(version("2.4.16").isNewerThan(version("2.4.9")));
    EXPECT_TRUE(version("2.10") .isNewerThan(version("2.9.99")));
    EXPECT_TRUE(version("3").isNewerThan(VersionNumber(2, 4, 16)));
    // Missing parts are 0; leading zeros change nothing.
    EXPECT_EQ(version("2.4"), version("2.4.0"));
    EXPECT_EQ(version("02.004.16"), VersionNumber(2, 4, 16));
    EXPECT_FALSE(version("2.4.16").isNewerThan(VersionNumber(2, 4, 16)));
    EXPECT_TRUE(version("2.4.16.1").isNewerThan(VersionNumber(2, 4, 16)));
}

TEST(VersionNumber, OnlyWhatAVersionLooksLikeIsRead)
{
    EXPECT_EQ(version("  2.4.17\r\n").toString(), "2.4.17");
    EXPECT_EQ(version("999999999.0").toString(), "999999999.0");
    for (const char* bad : {"", " ", "2..4", ".2", "2.", "2.4.x", "v2.4", "2,4", "-1.0", "2.4 .1",
                            "1.2.3.4.5", "1234567890", "2.4.16<html>", "2.4\n2.5"})
        EXPECT_FALSE(VersionNumber::parse(bad)) << bad;
    EXPECT_FALSE(VersionNumber::parse(wxString('1', 100000)));
    EXPECT_FALSE(VersionNumber::parse(wxString::FromUTF8("\xd9\xa3.1")));
}
