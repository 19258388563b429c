#include <gtest/gtest.h>

#include "AccountFixture.h"
#include "LoopbackHttpServer.h"
#include "system/Exceptions.h"
#include "threads/UpdateSearchThread.h"

using Quorvel::UpdateSearchThread;
using Quorvel::VersionNumber;

namespace {

const std::time_t NOW = 1800000000;
const char* const LATEST = "data/files/vistrelle/linux/LATEST_VERSION";

} // namespace

class UpdateSearchThreadTest : public AccountFixture {
protected:
    UpdateSearchThreadTest()
    {
        home.writeFile("program/updater.ini",
                       "[Updater]\nUpdateLocation=http://updates.vistrelle.net/files/\n"
                       "ApplicationId=vistrelle\n");
    }
    std::unique_ptr<UpdateSearchThread> thread(VersionNumber running = VersionNumber(2, 4, 16))
    {
        return std::make_unique<UpdateSearchThread>(configuration, settings,
                                                    home / "program/updater.ini", running);
    }
    size_t fetches() const { return journalled("/files/vistrelle/linux/LATEST_VERSION"); }
};

TEST_F(UpdateSearchThreadTest, ANewerVersionIsFoundOnceInSixHours)
{
    dir.writeFile(LATEST, "2.4.17\n");
    const auto found = thread()->check(NOW);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->toString(), "2.4.17");
    EXPECT_FALSE(thread()->check(NOW + 3600));
    EXPECT_TRUE(thread()->check(NOW + UpdateSearchThread::INTERVAL_SECONDS));
    EXPECT_EQ(thread()->getDownloadPage(), "http://updates.vistrelle.net/files/vistrelle/linux/");
}

TEST_F(UpdateSearchThreadTest, VersionsCompareAsNumbersAndJunkIsIgnored)
{
    // As text "2.4.9" sorts after "2.4.16".
    dir.writeFile(LATEST, "2.4.9");
    EXPECT_FALSE(thread()->check(NOW));
    int hours = 0;
    for (const char* junk : {"<html>2.4.99</html>", "2.4.99; rm -rf", ""}) {
        dir.writeFile(LATEST, junk);
        EXPECT_FALSE(thread(VersionNumber(1, 0, 0))->check(NOW + (hours += 7) * 3600)) << junk;
    }
    // Longer than a version can be: refused before it is read whole.
    dir.writeFile(LATEST, std::string(100000, '9'));
    EXPECT_THROW(thread(VersionNumber(1, 0, 0))->check(NOW + 100 * 3600), Quorvel::Exception);
    EXPECT_EQ(fetches(), 5u);
}

TEST_F(UpdateSearchThreadTest, AnUpdateLocationThatIsNoWebAddressIsNotFetched)
{
    home.writeFile("program/updater.ini",
                   "[Updater]\nUpdateLocation=file:///etc/\nApplicationId=vistrelle\n");
    EXPECT_THROW(thread()->check(NOW), Quorvel::RuntimeException);
    EXPECT_TRUE(journalledOperations().empty());
}
