#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "core/Exceptions.h"
#include "ordering/Ordering.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "system/ConfigFile.h"

using Brenmarle::Pricelist;
using Brenmarle::PricelistCache;
using Readiness = Ordering::Readiness;

namespace {

constexpr std::time_t NOW = 2000000000;

class OrderingTest : public ::testing::Test {
protected:
    ScratchDir dir;
    Quorvel::ConfigFile config{dir / "user.ini"};
    Ordering ordering{dir.path(), config, "shop", nullptr};
};

} // namespace

TEST_F(OrderingTest, AnAccountComesFirstThenAFreshPriceList)
{
    // Without an account nothing else is asked, price list or not.
    EXPECT_EQ(ordering.getReadiness(false, NOW), Readiness::NEEDS_ACCOUNT);
    EXPECT_EQ(ordering.getReadiness(true, NOW), Readiness::NEEDS_PRICELIST);
    EXPECT_THROW(ordering.checkPricelist(NOW), PriceListException);

    ASSERT_TRUE(ordering.getPricelists().install("shop", std::make_shared<Pricelist>(), NOW));
    EXPECT_EQ(ordering.getReadiness(false, NOW), Readiness::NEEDS_ACCOUNT);
    EXPECT_EQ(ordering.getReadiness(true, NOW), Readiness::READY);
    EXPECT_NO_THROW(ordering.checkPricelist(NOW));
    // Seven days to the second is still fresh; a second more is stale.
    const std::time_t lastFresh = NOW + PricelistCache::MAX_AGE_SECONDS;
    EXPECT_EQ(ordering.getReadiness(true, lastFresh), Readiness::READY);
    EXPECT_EQ(ordering.getReadiness(true, lastFresh + 1), Readiness::NEEDS_PRICELIST);
    EXPECT_THROW(ordering.checkPricelist(lastFresh + 1), PriceListException);
    // A list stamped more than a day ahead was stamped by a wrong clock: stale too.
    EXPECT_EQ(ordering.getReadiness(true, NOW - 86400 - 1), Readiness::NEEDS_PRICELIST);

    // Asking never starts the cart, so a run that only asked leaves the saved order alone.
    EXPECT_FALSE(ordering.hasCart());
}

TEST_F(OrderingTest, APriceListOnDiskFromAnEarlierRunCounts)
{
    {
        Ordering earlier(dir.path(), config, "shop", nullptr);
        ASSERT_TRUE(earlier.getPricelists().install("shop", std::make_shared<Pricelist>(), NOW));
    }
    EXPECT_EQ(ordering.getReadiness(true, NOW + 60), Readiness::READY);
    // Another portal's account does not use this one's list.
    ordering.setPortal("other");
    EXPECT_EQ(ordering.getReadiness(true, NOW + 60), Readiness::NEEDS_PRICELIST);
}
