#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "LoopbackHttpServer.h"
#include "ProviderFixture.h"
#include "SlaveRecorder.h"
#include "SoapReplies.h"
#include "service/LocatorClient_1_0.h"
#include "service/LocatorClient_1_0_Slave.h"
#include "system/Exceptions.h"
#include "threads/SlaveManager.h"

using Brenmarle::LocatorClient_1_0;
using Brenmarle::LocatorClient_1_0_Slave;
using Response = LoopbackHttpServer::Response;

using SoapReplies::failureOf;

namespace {

Response locatorReply(const std::string& body)
{
    return SoapReplies::reply("locator", "1.0", "getDirectoryContents", body);
}

} // namespace

class LocatorClientTest : public ProviderFixture {
protected:
    LocatorClient_1_0::Listing list(const wxString& path)
    {
        LocatorClient_1_0 client(settings);
        client.setAddress(locatorAddress());
        return client.getDirectoryContents(path, "en");
    }
};

TEST_F(LocatorClientTest, ListsFoldersAndPortalsAndFollowsARedirectToAnotherHost)
{
    const auto root = list("/");
    EXPECT_EQ(root.description, "All shops");
    ASSERT_EQ(root.directories.size(), 1u);
    EXPECT_EQ(root.directories[0].path, "/nordic");
    EXPECT_EQ(root.directories[0].name, "Nordic shops");
    // "../x" can name neither a host nor a folder: it is left out.
    ASSERT_EQ(root.portals.size(), 1u);
    EXPECT_EQ(root.portals[0].path, "demo");
    EXPECT_EQ(root.portals[0].name, "Demo Photo");
    EXPECT_EQ(root.portals[0].location, "Oslo");

    LocatorClient_1_0 client(settings);
    client.setAddress(locatorAddress());
    const auto moved = client.getDirectoryContents("/moved", "en");
    EXPECT_EQ(moved.description, "Nordic shops");
    ASSERT_EQ(moved.portals.size(), 1u);
    EXPECT_EQ(moved.portals[0].path, "fjord");
    // The next listing starts at the configured locator again.
    EXPECT_EQ(client.getAddress().host, "locator.vistrelle.net");
    EXPECT_EQ(journalledArguments("getDirectoryContents", "path"),
              (std::vector<std::string>{"/", "/moved", "/nordic"}));
}

TEST_F(LocatorClientTest, RedirectLoopEndsAfterExactlyFiveCalls)
{
    startProvider("[faults]\nrule = locator/getDirectoryContents | redirect-self\n");
    EXPECT_EQ(failureOf([&] { list("/"); }), "Application.Error: Too many redirects (5)");
    EXPECT_EQ(journalled("getDirectoryContents"), 5u);
}

TEST(LocatorClient, RedirectHostIsCheckedBeforeAnAddressIsMadeOfIt)
{
    ScratchDir dir;
    Quorvel::NetworkSettings settings(dir / "network.ini");
    LoopbackHttpServer server;
    for (const char* host : {"evil host", "a/b", "x@y", "[::1", "../x"})
        server.enqueue(locatorReply(std::string("<redirect><path>/x</path><host>") + host +
                                    "</host></redirect>"));
    server.enqueue(locatorReply("<redirect><path></path><host>locator.example</host></redirect>"));

    LocatorClient_1_0 client(settings);
    client.setAddress({"127.0.0.1", server.port(), "", ""});
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(failureOf([&] {
                        client.getDirectoryContents("/", "en");
                    }).StartsWith("Server.InvalidAddress: "));
    EXPECT_EQ(failureOf([&] { client.getDirectoryContents("/", "en"); }),
              "Application.Error: Got invalid redirect from server");
    // One request per listing: no redirect was followed.
    EXPECT_EQ(server.requests().size(), 6u);
    EXPECT_EQ(client.getAddress().port, server.port());
}

TEST_F(LocatorClientTest, SlaveHandsTheListingToItsListener)
{
    SlaveRecorder recorder;
    auto slave =
        std::make_unique<LocatorClient_1_0_Slave>(locatorAddress(), "/nordic", "en", &settings);
    const auto result = slave->getResult();
    {
        Quorvel::SlaveManager manager;
        manager.addListener(&recorder, 3);
        manager.addSlave(std::move(slave));
        ASSERT_TRUE(recorder.waitForCount(2));
    }
    EXPECT_EQ(recorder.typeAt(1), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_EQ(result->description, "Nordic shops");
    ASSERT_EQ(result->portals.size(), 1u);
    EXPECT_EQ(result->portals[0].name, "Fjord Foto");
}

TEST(LocatorClient, AbortingTheSlaveEndsAStalledCallAtOnce)
{
    ScratchDir dir;
    Quorvel::NetworkSettings settings(dir / "network.ini");
    LoopbackHttpServer server;
    Response stalled;
    stalled.stall = true;
    server.enqueue(stalled);

    SlaveRecorder recorder;
    Quorvel::SlaveManager manager;
    manager.addListener(&recorder, 1);
    manager.addSlave(std::make_unique<LocatorClient_1_0_Slave>(
        Quorvel::ServiceAddress{"127.0.0.1", server.port(), "", ""}, "/", "en", &settings));
    ASSERT_TRUE(server.waitForRequests(1));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(manager.abortCurrent());
    ASSERT_TRUE(recorder.waitForCount(2));
    EXPECT_EQ(recorder.typeAt(1), Quorvel::EVT_SLAVE_ABORTED);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
}
