#include <gtest/gtest.h>

#include "util/Scrambler.h"

using Quorvel::Scrambler;

TEST(Scrambler, BytesAreXoredWithTheKeyFromItsLastByteOnAndWrittenAsLowerCaseHex)
{
    // The first byte is XORed with the key's last byte ('y'), the next with 'a', then 'w'.
    EXPECT_EQ(Scrambler::scramble("abc", Scrambler::PASSWORD_KEY),
              wxString::Format("%02x%02x%02x", 'a' ^ 'y', 'b' ^ 'a', 'c' ^ 'w'));
    // The key index wraps around: b, a, b, a, ...
    const wxString text(wxString('x', 60));
    const wxString hex = Scrambler::scramble(text, "ab");
    EXPECT_EQ(hex.Left(8),
              wxString::Format("%02x%02x%02x%02x", 'x' ^ 'b', 'x' ^ 'a', 'x' ^ 'b', 'x' ^ 'a'));
    EXPECT_EQ(Scrambler::unscramble(hex, "ab"), text);
}

TEST(Scrambler, RoundTripsNonAsciiText)
{
    for (const char* text :
         {"", "p@ss$word", "Ærlig åpen Ødegård", "пароль", "密码🙂", "a\\b"}) {
        const wxString plain = wxString::FromUTF8(text);
        const wxString hex = Scrambler::scramble(plain, Scrambler::PASSWORD_KEY);
        EXPECT_EQ(hex.length(), 2 * strlen(text)) << text;
        EXPECT_EQ(Scrambler::unscramble(hex, Scrambler::PASSWORD_KEY), plain) << text;
    }
}

TEST(Scrambler, MalformedHexGivesEmptyText)
{
    EXPECT_EQ(Scrambler::unscramble("abc", Scrambler::PASSWORD_KEY), "");
    EXPECT_EQ(Scrambler::unscramble("zz", Scrambler::PASSWORD_KEY), "");
}
