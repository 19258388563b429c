#include <gtest/gtest.h>

#include <map>
#include <set>

#include "SecureRandom.h"

using Provider::SecureRandom;

TEST(SecureRandom, TextTakesEveryCharacterOfItsAlphabetEqually)
{
    EXPECT_EQ(SecureRandom::text(0, "ab"), "");
    const std::string digits = SecureRandom::text(1000, "0123456789");
    EXPECT_EQ(digits.size(), 1000u);
    EXPECT_EQ(digits.find_first_not_of("0123456789"), std::string::npos);

    // 200 characters do not divide 256: taking a byte modulo 200 would make the first 56 twice
    // as likely as the others (expected 2000 against 1000 draws each here).
    std::string alphabet;
    for (int i = 0; i < 200; ++i)
        alphabet.push_back(static_cast<char>(i + 1));
    std::map<char, int> counts;
    for (char c : SecureRandom::text(200000, alphabet))
        ++counts[c];
    double low = 0;
    double high = 0;
    for (int i = 0; i < 200; ++i)
        (i < 56 ? low : high) += counts[alphabet[i]];
    EXPECT_NEAR(low / 56, high / 144, 100) << "first 56: " << low / 56 << ", rest: " << high / 144;

    EXPECT_THROW(SecureRandom::text(1, ""), std::invalid_argument);
}

TEST(SecureRandom, IdsDrawnInARowDoNotRepeat)
{
    std::set<std::string> ids;
    for (int i = 0; i < 1000; ++i)
        ids.insert(SecureRandom::text(16, "0123456789abcdef"));
    EXPECT_EQ(ids.size(), 1000u);
}
