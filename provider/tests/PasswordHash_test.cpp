#include <gtest/gtest.h>

#include "PasswordHash.h"

using Provider::PasswordHash;

TEST(PasswordHash, VerifiesOnlyThePasswordItWasMadeOf)
{
    const std::string stored = PasswordHash::make("pass word");
    EXPECT_TRUE(PasswordHash::isHash(stored));
    EXPECT_EQ(stored.find("pass word"), std::string::npos);
    EXPECT_TRUE(PasswordHash::verify("pass word", stored));
    for (const std::string wrong : {"pass wore", "pass word ", "", "Pass word"})
        EXPECT_FALSE(PasswordHash::verify(wrong, stored)) << wrong;
    // Salted: the same password never gives the same text twice.
    EXPECT_NE(PasswordHash::make("pass word"), stored);
    // Empty and long passwords round-trip too.
    EXPECT_TRUE(PasswordHash::verify("", PasswordHash::make("")));
    const std::string longPassword(10000, 'x');
    EXPECT_TRUE(PasswordHash::verify(longPassword, PasswordHash::make(longPassword)));
}

TEST(PasswordHash, MalformedOrTamperedHashesMatchNothing)
{
    const std::string stored = PasswordHash::make("secret");
    std::string tampered = stored;
    tampered.back() = tampered.back() == '0' ? '1' : '0';
    const auto lastDollar = stored.rfind('$');
    for (const std::string& broken :
         {tampered, std::string("secret"), std::string("pbkdf2-sha256$"),
          std::string("pbkdf2-sha256$100000$$"), std::string("pbkdf2-sha256$0$00$00"),
          std::string("pbkdf2-sha256$-5$00$00"), std::string("pbkdf2-sha256$99999999999$00$00"),
          std::string("pbkdf2-sha256$1x$00$00"), std::string("pbkdf2-sha256$1$0g$00"),
          std::string("pbkdf2-sha256$1$000$00"), stored.substr(0, lastDollar)})
        EXPECT_FALSE(PasswordHash::verify("secret", broken)) << broken;
    // A password kept before hashing is not taken for a hash.
    EXPECT_FALSE(PasswordHash::isHash("secret"));
}
