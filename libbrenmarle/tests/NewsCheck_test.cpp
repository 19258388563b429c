#include <gtest/gtest.h>

#include <chrono>
#include <future>

#include "AccountFixture.h"
#include "LoopbackHttpServer.h"
#include "SoapReplies.h"
#include "service/NewsCheck.h"
#include "service/UpdateNewsThread.h"
#include "service/VManagerClient_1_0.h"

using Brenmarle::AccountSettings;
using Brenmarle::NewsCheck;
using Outcome = Brenmarle::NewsCheck::Outcome;

namespace {

const std::time_t NOW = 1800000000;
const char* const NEWS_RESOURCES = "[provider]\nnewsresource = /files/banner.png\n";

} // namespace

class NewsCheckTest : public AccountFixture {
protected:
    NewsCheckTest()
    {
        dir.writeFile("data/files/banner.png", "banner bytes");
        startProvider(NEWS_RESOURCES);
    }
    NewsCheck check{configuration, settings};
};

TEST_F(NewsCheckTest, WithNoAccountNothingReachesTheProvider)
{
    EXPECT_EQ(check.run(NOW), Outcome::NoAccount);
    // An account on a portal that is no DNS label is no account either.
    configuration.getUserConfig().writeString("Account/AccountId", "a-1");
    configuration.getUserConfig().writeString("Account/PortalId", "../x");
    EXPECT_EQ(check.run(NOW), Outcome::NoAccount);
    EXPECT_TRUE(journalledOperations().empty());
    EXPECT_FALSE(hasUserFile("portals"));
}

TEST_F(NewsCheckTest, NewsLandInThePortalsFolderOnceEveryTwelveHours)
{
    AccountSettings::store(configuration, anna());
    ASSERT_EQ(check.run(NOW), Outcome::Updated);
    EXPECT_EQ(readUserFile("portals/demo/news.html"), "<p>New frames</p>");
    EXPECT_EQ(readUserFile("portals/demo/banner.png"), "banner bytes");
    // Nothing half-written is left beside them.
    EXPECT_EQ(filesUnder(Quorvel::Environment::getUserDataDir() + "portals/demo"), 2u);
    EXPECT_EQ(userKey("News/PortalId"), "demo");
    EXPECT_EQ(journalledArguments("getHtmlNews", "lastupdate"), (std::vector<std::string>{"0"}));

    EXPECT_EQ(check.run(NOW + 3600), Outcome::NotDue);
    EXPECT_EQ(journalled("getHtmlNews"), 1u);
    // Twelve hours on, the provider is asked for what is newer than what came.
    EXPECT_EQ(check.run(NOW + NewsCheck::INTERVAL_SECONDS), Outcome::Unchanged);
    EXPECT_EQ(journalledArguments("getHtmlNews", "lastupdate"),
              (std::vector<std::string>{"0", "1000"}));
    EXPECT_EQ(readUserFile("portals/demo/news.html"), "<p>New frames</p>");
}

TEST_F(NewsCheckTest, AnotherProviderIsAskedAtOnceForAllItsNews)
{
    AccountSettings::store(configuration, anna());
    ASSERT_EQ(check.run(NOW), Outcome::Updated);
    AccountSettings::store(configuration, {"f-1", "bo@example.com", "pw", "fjord", "Fjord Foto"});
    EXPECT_TRUE(userKey("News/PortalId").empty());
    EXPECT_FALSE(hasUserFile("portals/demo/news.html"));

    EXPECT_EQ(check.run(NOW + 60), Outcome::Updated);
    EXPECT_EQ(readUserFile("portals/fjord/news.html"), "<p>New frames</p>");
    EXPECT_EQ(userKey("News/PortalId"), "fjord");
    EXPECT_EQ(journalledArguments("getHtmlNews", "lastupdate"),
              (std::vector<std::string>{"0", "0"}));
}

TEST(NewsCheck, ResourceNamesNeverLeaveTheFolder)
{
    for (const char* name : {"banner.png", "a-b_c.1.jpg", "X"})
        EXPECT_TRUE(NewsCheck::isResourceName(name)) << name;
    for (const char* name : {"", ".", "..", ".hidden", "a/b", "..\\x", "a..b", "name.", "news.html",
                             "NEWS.HTML", "a b", "%2e%2e", "a\nb"})
        EXPECT_FALSE(NewsCheck::isResourceName(name)) << name;
    EXPECT_FALSE(NewsCheck::isResourceName(wxString('a', NewsCheck::MAX_RESOURCE_NAME + 1)));
}

class NewsCheckScriptedTest : public ::testing::Test, protected ScratchHome {
protected:
    NewsCheckScriptedTest()
    {
        home.writeFile("network.ini",
                       "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(server.port()) + "\n");
        AccountSettings::store(configuration, {"a-1", "a@example.com", "pw", "demo", "Demo"});
    }
    LoopbackHttpServer server;
    Quorvel::NetworkSettings settings{home / "network.ini"};
    Quorvel::Configuration configuration;
};

TEST_F(NewsCheckScriptedTest, HostileResourceNamesAreSkippedAndThePageStillLands)
{
    std::string resources;
    for (const char* address :
         {"http://x.example/files/..", "http://x.example/.bashrc", "http://x.example/news.html",
          "file:///etc/passwd", "http://x.example/a/%2e%2e%2fx", "http://x.example/ok.png"})
        resources += std::string("<item>") + address + "</item>";
    server.enqueue(
        SoapReplies::reply("portal", "3.0", "getHtmlNews",
                           "<htmlnews>&lt;p&gt;Hi&lt;/p&gt;</htmlnews><resources>" + resources +
                               "</resources><updatetime>2027-01-01T00:00:00Z</updatetime>"
                               "<expirytime>2027-02-01T00:00:00Z</expirytime>"));
    server.enqueue(LoopbackHttpServer::Response::ok("picture"));

    NewsCheck check(configuration, settings);
    EXPECT_EQ(check.run(NOW), Outcome::Updated);
    EXPECT_EQ(readUserFile("portals/demo/news.html"), "<p>Hi</p>");
    EXPECT_EQ(readUserFile("portals/demo/ok.png"), "picture");
    // The page and the one plain name; one call and one fetch.
    EXPECT_EQ(filesUnder(Quorvel::Environment::getUserDataDir() + "portals/demo"), 2u);
    EXPECT_EQ(server.requests().size(), 2u);
}

TEST_F(NewsCheckScriptedTest, ThreadWaitsForAnAccountAndStopsAtOnceWhenAsked)
{
    AccountSettings::logOut(configuration);
    server.enqueue(SoapReplies::reply("vmanager", "1.0", "getPluginUpdates", ""));
    server.enqueue(SoapReplies::reply("portal", "3.0", "getHtmlNews",
                                      "<htmlnews>&lt;p&gt;Hi&lt;/p&gt;</htmlnews>"
                                      "<updatetime>2027-01-01T00:00:00Z</updatetime>"));
    Brenmarle::VManagerClient_1_0 vmanager(settings);
    Brenmarle::UpdateNewsThread::Timing timing;
    timing.startDelay = std::chrono::milliseconds(0);
    timing.accountPoll = std::chrono::milliseconds(5);
    std::promise<void> newsArrived;
    Brenmarle::UpdateNewsThread thread(configuration, settings, vmanager, "2.4.16", timing);
    thread.setNewsListener([&] { newsArrived.set_value(); });
    thread.start();

    // (That nothing goes out meanwhile is NewsCheck's WithNoAccountNothingReachesTheProvider.)
    AccountSettings::store(configuration, {"a-1", "a@example.com", "pw", "demo", "Demo"});
    ASSERT_EQ(newsArrived.get_future().wait_for(std::chrono::seconds(10)),
              std::future_status::ready);
    EXPECT_EQ(readUserFile("portals/demo/news.html"), "<p>Hi</p>");
    ASSERT_EQ(server.requests().size(), 2u);
    EXPECT_NE(server.requests()[0].body.find("getPluginUpdates"), std::string::npos);

    // Now in its ten-minute wait.
    const auto start = std::chrono::steady_clock::now();
    thread.stop();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
