#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "ProviderFixture.h"
#include "SlaveRecorder.h"
#include "ordering/DownloadPriceListSlave.h"
#include "ordering/Pricelist.h"
#include "ordering/PricelistCache.h"
#include "system/ConfigFile.h"
#include "threads/SlaveManager.h"

using Brenmarle::DownloadPriceListSlave;
using Brenmarle::Pricelist;
using Brenmarle::PricelistCache;

namespace {

const char* const EXAMPLE_SHOP = VISTRELLE_PROVIDER_SOURCE_DIR "/pricelist.xml";

} // namespace

// Anna's portal "demo" serves the example shop's price list unless a test says otherwise.
class DownloadPriceListSlaveTest : public ProviderFixture {
protected:
    DownloadPriceListSlaveTest() { dir.writeFile("conf/demo-prices.xml", exampleShop()); }

    static std::string exampleShop() { return readFile(EXAMPLE_SHOP); }

    // Runs one download as Anna and waits until it ended; the last event tells how.
    std::shared_ptr<DownloadPriceListSlave::Result> download()
    {
        auto slave = std::make_unique<DownloadPriceListSlave>(
            portalAddress("demo", "anna@example.com", "secret"), &settings);
        auto result = slave->getResult();
        const size_t before = recorder.count();
        Quorvel::SlaveManager manager;
        manager.addListener(&recorder, 1);
        manager.addSlave(std::move(slave));
        EXPECT_TRUE(recorder.waitForCount(before + 2));
        return result;
    }

    SlaveRecorder recorder;
};

TEST_F(DownloadPriceListSlaveTest, DownloadsTheExampleShopAndItInstallsAsServed)
{
    const auto result = download();
    ASSERT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED)
        << recorder.last().getErrorMessage();
    ASSERT_TRUE(result->pricelist);
    EXPECT_EQ(recorder.last().getFirstNumber(), DownloadPriceListSlave::SLAVE_ID);
    EXPECT_EQ(journalledArguments("downloadPriceList", "maxversion"),
              (std::vector<std::string>{DownloadPriceListSlave::FORMAT_VERSION}));
    // What the provider serves is what was read: the same document once written again.
    EXPECT_EQ(result->pricelist->toXML(), Pricelist::load(EXAMPLE_SHOP)->toXML());

    // Installed, it is on disk for the next run with every field the provider sent.
    Quorvel::ConfigFile config(dir / "user.ini");
    PricelistCache cache(dir.path(), config);
    ASSERT_TRUE(cache.install("demo", result->pricelist, 1000000));
    PricelistCache nextRun(dir.path(), config);
    nextRun.load("demo");
    ASSERT_TRUE(nextRun.get());
    EXPECT_EQ(nextRun.get()->toXML(), result->pricelist->toXML());
    EXPECT_NE(nextRun.get()->findProduct("print-10x15"), nullptr);
}

TEST_F(DownloadPriceListSlaveTest, ADocumentThatDoesNotLoadFailsAndTheInstalledListStays)
{
    Quorvel::ConfigFile config(dir / "user.ini");
    PricelistCache cache(dir.path(), config);
    ASSERT_TRUE(cache.install("demo", Pricelist::load(EXAMPLE_SHOP), 1000000));
    const std::string onDisk = readFile(cache.getPath("demo"));

    const std::string shop = exampleShop();
    for (const std::string& bad :
         {std::string(), shop.substr(0, shop.size() / 2), std::string("<html>502</html>"),
          std::string("<pricelist><products><product>"), std::string(64 * 1024, '<')}) {
        dir.writeFile("conf/demo-prices.xml", bad);
        const auto result = download();
        ASSERT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FAILED) << bad.size();
        EXPECT_EQ(recorder.last().getErrorMessage(), "Could not load price list from XML document");
        EXPECT_FALSE(result->pricelist);
    }
    // Nothing was installed meanwhile: the file and the time are those of the last good list.
    EXPECT_EQ(readFile(cache.getPath("demo")), onDisk);
    EXPECT_EQ(cache.getUpdateTime(), 1000000);
}

TEST_F(DownloadPriceListSlaveTest, AFaultFailsWithTheServersReasonAndTheNextCallWorks)
{
    startProvider(
        "[faults]\nrule = portal/downloadPriceList | fault Server.Busy Shop closed | 1\n");
    auto result = download();
    ASSERT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FAILED);
    EXPECT_NE(recorder.last().getErrorMessage().Find("Shop closed"), wxNOT_FOUND)
        << recorder.last().getErrorMessage();
    // The next call is served again.
    result = download();
    EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_TRUE(result->pricelist);
}

// Aborted while the provider holds the reply, the download ends at once, again and again:
// the call interrupted while it sends fails quietly instead of raising SIGPIPE in the process.
TEST_F(DownloadPriceListSlaveTest, AbortingInterruptsADownloadThatHangs)
{
    startProvider("[faults]\nrule = portal/downloadPriceList | delay 60000\n");
    const auto start = std::chrono::steady_clock::now();
    for (int round = 0; round < 8; ++round) {
        auto slave = std::make_unique<DownloadPriceListSlave>(
            portalAddress("demo", "anna@example.com", "secret"), &settings);
        const auto result = slave->getResult();
        const size_t before = recorder.count();
        {
            Quorvel::SlaveManager manager;
            manager.addListener(&recorder, 1);
            manager.addSlave(std::move(slave));
            ASSERT_TRUE(recorder.waitForCount(before + 1));
            manager.abortAll();
            ASSERT_TRUE(recorder.waitForCount(before + 2));
        }
        EXPECT_EQ(recorder.last().GetEventType(), Quorvel::EVT_SLAVE_ABORTED) << round;
        EXPECT_FALSE(result->pricelist);
    }
    // Generous bound: the provider would have held each reply for a minute.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(30));
}
