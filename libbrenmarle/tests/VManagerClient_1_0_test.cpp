#include <gtest/gtest.h>

#include "LoopbackHttpServer.h"
#include "ScratchDir.h"
#include "SoapReplies.h"
#include "service/NetworkSettings.h"
#include "service/VManagerClient_1_0.h"

using Brenmarle::VManagerClient_1_0;
using Response = LoopbackHttpServer::Response;

TEST(VManagerClient, AsksForThePluginUpdatesOfThisInstallation)
{
    ScratchDir dir;
    Quorvel::NetworkSettings settings(dir / "network.ini");
    EXPECT_EQ(VManagerClient_1_0(settings).getEndpoint(),
              "http://vmanager.vistrelle.net:80/service/vmanager/1.0/");

    LoopbackHttpServer server;
    const std::string info = "<item><messagetitle>New look</messagetitle><messagebody>Frames"
                             "</messagebody><packageid>frames</packageid><version>1.2</version>"
                             "<repository>http://plugins.example/</repository></item>";
    server.enqueue(SoapReplies::reply("vmanager", "1.0", "getPluginUpdates",
                                      "<recinstall>" + info + info +
                                          "</recinstall><recupdate></recupdate><requpdate>" + info +
                                          "</requpdate>"));
    VManagerClient_1_0 client(settings);
    client.setAddress({"127.0.0.1", server.port(), "", ""});
    const auto updates = client.getPluginUpdates("0f8fad5b-d9cb-469f-a165-70867728950e",
                                                 "vistrelle", "2.4.16", "demo");
    ASSERT_EQ(updates.recommendedInstalls.size(), 2u);
    EXPECT_TRUE(updates.recommendedUpdates.empty());
    ASSERT_EQ(updates.requiredUpdates.size(), 1u);
    EXPECT_EQ(updates.requiredUpdates[0].messageTitle, "New look");
    EXPECT_EQ(updates.requiredUpdates[0].packageId, "frames");
    EXPECT_EQ(updates.requiredUpdates[0].version, "1.2");
    EXPECT_EQ(updates.requiredUpdates[0].repository, "http://plugins.example/");
    const std::string sent = server.lastRequest().body;
    for (const char* argument : {"<installid>0f8fad5b-d9cb-469f-a165-70867728950e</installid>",
                                 "<version>2.4.16</version>", "<portalid>demo</portalid>"})
        EXPECT_NE(sent.find(argument), std::string::npos) << argument;
}
