#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

#include "ScopedGermanLocale.h"
#include "ordering/Money.h"

using Brenmarle::AmountOutOfRangeException;
using Brenmarle::Money;

TEST(Money, DecimalTextReadsExactly)
{
    EXPECT_EQ(Money::parse("12.5")->units(), 12500000);
    EXPECT_EQ(Money::parse("-1")->units(), -1000000);
    EXPECT_EQ(Money::parse("+0.10")->units(), 100000);
    EXPECT_EQ(Money::parse(".5")->units(), 500000);
    EXPECT_EQ(Money::parse("7.")->units(), 7000000);
    EXPECT_EQ(Money::parse("1e3")->units(), 1000000000);
    // The seventh decimal rounds half away from zero.
    EXPECT_EQ(Money::parse("0.0000005")->units(), 1);
    EXPECT_EQ(Money::parse("0.00000049")->units(), 0);
    EXPECT_EQ(Money::parse("-0.0000005")->units(), -1);
    // The largest amount, exactly, beyond what a double holds digit for digit.
    EXPECT_EQ(Money::parse("999999999999.999999")->units(), 999999999999999999);
}

TEST(Money, TextThatIsNotAnAmountDoesNotConvert)
{
    for (const char* text : {"", "-", ".", "12,5", "1.2.3", "abc", "12abc", "nan", "inf", "1e999",
                             "1000000000001", "0x10", " 1"})
        EXPECT_FALSE(Money::parse(text).has_value()) << text;
}

TEST(Money, TextRoundTripIsShortestAndExact)
{
    for (const char* text : {"0", "12.5", "-1", "0.000001", "999999999999.999999", "-0.3"})
        EXPECT_EQ(Money::parse(text)->toString(), text);
    EXPECT_EQ(Money::parse("0.10")->toString(), "0.1");
}

TEST(Money, SumsAreExactWhereDoublesAreNot)
{
    // 0.1 + 0.2 == 0.30000000000000004 in doubles.
    EXPECT_EQ(*Money::parse("0.1") + *Money::parse("0.2"), *Money::parse("0.3"));
    Money sum;
    for (int i = 0; i < 10; ++i)
        sum += *Money::parse("0.1");
    EXPECT_EQ(sum, Money::fromWhole(1));
    EXPECT_EQ(Money::parse("0.1")->times(3), *Money::parse("0.3"));
    EXPECT_EQ(sum - sum, Money());
}

TEST(Money, PercentagesRoundOnceToTheNearestUnit)
{
    EXPECT_EQ(Money::fromWhole(200).percentOf(10), Money::fromWhole(20));
    EXPECT_EQ(Money::fromWhole(125) - Money::fromWhole(125).dividedBy(1.25), Money::fromWhole(25));
    EXPECT_EQ(Money::fromWhole(1).dividedBy(3).units(), 333333);
    EXPECT_EQ(Money::fromWhole(2).dividedBy(3).units(), 666667);
}

TEST(Money, RoundingForDisplayIsHalfAwayFromZero)
{
    EXPECT_EQ(Money::parse("2.675")->roundedTo(2), *Money::parse("2.68"));
    EXPECT_EQ(Money::parse("-2.675")->roundedTo(2), *Money::parse("-2.68"));
    EXPECT_EQ(Money::parse("2.674999")->roundedTo(2), *Money::parse("2.67"));
    EXPECT_EQ(Money::parse("0.5")->roundedTo(0), Money::fromWhole(1));
    EXPECT_EQ(Money::parse("1.234567")->roundedTo(6), *Money::parse("1.234567"));
}

TEST(Money, ArithmeticOutOfRangeIsRefusedNotWrapped)
{
    const Money large = Money::fromWhole(Money::MAX_WHOLE);
    EXPECT_THROW(large + Money::fromUnits(1), AmountOutOfRangeException);
    EXPECT_THROW(-large - Money::fromUnits(1), AmountOutOfRangeException);
    EXPECT_THROW(Money::fromWhole(1).times(std::numeric_limits<int64_t>::max()),
                 AmountOutOfRangeException);
    EXPECT_THROW(large.times(2), AmountOutOfRangeException);
    EXPECT_THROW(Money::fromWhole(1).dividedBy(0), AmountOutOfRangeException);
    EXPECT_THROW(large.percentOf(1000), AmountOutOfRangeException);
    EXPECT_EQ(large.times(1), large);
    EXPECT_FALSE(Money::fromDouble(1e300).has_value());
}

TEST(Money, TextFormsIgnoreTheUsersLocale)
{
    ScopedGermanLocale german;
    ASSERT_TRUE(german.isActive()) << "no German locale (install the locales package)";
    EXPECT_EQ(Money::parse("12.5")->units(), 12500000);
    EXPECT_FALSE(Money::parse("12,5").has_value());
    EXPECT_EQ(Money::parse("1.5e1")->units(), 15000000);
    EXPECT_EQ(Money::parse("12.5")->toString(), "12.5");
}
