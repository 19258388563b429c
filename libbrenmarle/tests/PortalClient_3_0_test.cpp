#include <gtest/gtest.h>

#include <memory>

#include <wx/base64.h>

#include "LoopbackHttpServer.h"
#include "ProviderFixture.h"
#include "SlaveRecorder.h"
#include "SoapReplies.h"
#include "TestPictures.h"
#include "service/PortalClient_3_0.h"
#include "service/PortalClient_3_0_Slave.h"
#include "service/PortalClient_3_0_Task.h"
#include "service/TokenPicture.h"
#include "system/Exceptions.h"
#include "threads/SlaveManager.h"

using Brenmarle::PortalClient_3_0;
using Brenmarle::PortalClient_3_0_Slave;
using Brenmarle::PortalClient_3_0_Task;
using Response = LoopbackHttpServer::Response;

using SoapReplies::failureOf;

namespace {

Response tokenReply(const std::string& png)
{
    const std::string image =
        png.empty()
            ? std::string()
            : "<tokenimage>" + std::string(wxBase64Encode(png.data(), png.size()).utf8_str()) +
                  "</tokenimage>";
    return SoapReplies::reply("portal", "3.0", "getRegistrationToken",
                              "<tokenid>t1</tokenid>" + image);
}

} // namespace

class PortalClientTest : public ProviderFixture {
protected:
    Quorvel::Ref<PortalClient_3_0> portal(const wxString& user = wxString(),
                                          const wxString& password = wxString())
    {
        auto client = Quorvel::makeRef<PortalClient_3_0>(settings);
        client->setAddress(portalAddress("demo", user, password));
        return client;
    }
    // A new account on "demo" through a real token; returns its id.
    wxString registerAccount(const wxString& email, const wxString& password)
    {
        auto client = portal();
        const auto token = client->getRegistrationToken();
        return client->createAccount(token.id, tokenText(token.id), "demo", email, password);
    }
};

TEST_F(PortalClientTest, RegistersWithAPictureTokenAndTheNewAccountLogsIn)
{
    auto client = portal();
    EXPECT_EQ(client->getTermsOfService(), "Be kind to the printers.");
    const auto info = client->getPortalInformation("demo", "en");
    EXPECT_EQ(info.portalId, "demo");
    EXPECT_EQ(info.name, "Demo Photo");
    EXPECT_EQ(info.websiteUrl, "http://demo.example/");
    EXPECT_EQ(info.description, "Prints and books");

    const auto token = client->getRegistrationToken();
    unsigned width = 0;
    unsigned height = 0;
    EXPECT_TRUE(Brenmarle::TokenPicture::readSize(token.png, width, height));
    EXPECT_GT(width, 0u);
    const wxString id =
        client->createAccount(token.id, tokenText(token.id), "demo", "bjorn@example.com",
                              wxString::FromUTF8("s\xc3\xa6"
                                                 "cret"));
    EXPECT_FALSE(id.empty());
    // A token is used once.
    EXPECT_TRUE(failureOf([&] {
                    client->createAccount(token.id, tokenText(token.id), "demo", "x@example.com",
                                          "pw");
                }).StartsWith("SoapClient.InvalidToken"));

    EXPECT_EQ(portal("bjorn@example.com", wxString::FromUTF8("s\xc3\xa6"
                                                             "cret"))
                  ->getAccountId(),
              id);
    EXPECT_EQ(portal(id, wxString::FromUTF8("s\xc3\xa6"
                                            "cret"))
                  ->getAccountId(),
              id);
    EXPECT_THROW(portal(id, "wrong")->getAccountId(), Quorvel::SoapException);
}

TEST_F(PortalClientTest, AccountDataRoundTrips)
{
    auto anna = portal("anna@example.com", "secret");
    PortalClient_3_0::UserInformation info{wxString::FromUTF8("Anna \xc3\x85s"),
                                           "Storgata 1",
                                           "0155",
                                           "Oslo",
                                           "NO",
                                           "anna@example.com",
                                           "+4790000000"};
    anna->setUserInformation(info);
    EXPECT_EQ(anna->getUserInformation(), info);
    anna->setReceiveEmailInformation(true);

    EXPECT_EQ(anna->downloadPriceList("1.0"), "<pricelist name=\"demo\"/>");
    EXPECT_FALSE(anna->getTemplateListUrl().empty());

    const auto news = anna->getHtmlNews(0);
    EXPECT_EQ(news.html, "<p>New frames</p>");
    EXPECT_EQ(news.updateTime, 1000);
    EXPECT_GT(news.expiryTime, news.updateTime);
    // Who has the news gets none again.
    EXPECT_TRUE(anna->getHtmlNews(1000).html.empty());
}

TEST(PortalClient, TokenPictureIsCheckedBeforeItIsDecoded)
{
    ScratchDir dir;
    Quorvel::NetworkSettings settings(dir / "network.ini");
    TestPictures::writePicture(dir / "token.png", 120, 40, "PNG");
    const std::string png = dir.readFile("token.png");
    TestPictures::writePicture(dir / "wide.png", 1025, 2, "PNG");
    TestPictures::writePicture(dir / "token.jpg", 120, 40, "JPEG");
    TestPictures::writePngBomb(dir / "bomb.png");

    LoopbackHttpServer server;
    server.enqueue(tokenReply(png));
    server.enqueue(tokenReply(""));
    for (const std::string& bad :
         {dir.readFile("token.jpg"), png.substr(0, png.size() / 2), dir.readFile("wide.png"),
          dir.readFile("bomb.png"), png + std::string(Brenmarle::TokenPicture::MAX_BYTES, '\0'),
          std::string("\x89PNG\r\n\x1a\n")})
        server.enqueue(tokenReply(bad));

    auto client = Quorvel::makeRef<PortalClient_3_0>(settings);
    client->setAddress({"127.0.0.1", server.port(), "", ""});
    EXPECT_EQ(client->getRegistrationToken().png, png);
    EXPECT_EQ(failureOf([&] { client->getRegistrationToken(); }),
              "Application.Error: Missing token image");
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(failureOf([&] { client->getRegistrationToken(); }),
                  "Application.Error: Invalid token PNG image")
            << i;
}

TEST_F(PortalClientTest, TaskAndSlaveRunTheirOperations)
{
    auto anna = portal("anna@example.com", "secret");
    auto task = PortalClient_3_0_Task::getTermsOfService(anna);
    task->run();
    EXPECT_EQ(task->terms, "Be kind to the printers.");
    auto info = PortalClient_3_0_Task::getPortalInformation(anna, "fjord", "en");
    info->run();
    EXPECT_EQ(info->portalInformation.name, "Fjord Foto");
    auto unknown = Quorvel::makeRef<PortalClient_3_0_Task>(anna, 99);
    EXPECT_EQ(failureOf([&] { unknown->run(); }),
              "Application.Error: No code to handle the given task in PortalClientTask");

    SlaveRecorder recorder;
    auto slave = std::make_unique<PortalClient_3_0_Slave>(
        PortalClient_3_0_Slave::GET_ACCOUNT_ID, portalAddress("demo", "anna@example.com", "secret"),
        PortalClient_3_0_Slave::Arguments(), &settings);
    const auto result = slave->getResult();
    auto failing = std::make_unique<PortalClient_3_0_Slave>(
        PortalClient_3_0_Slave::GET_ACCOUNT_ID, portalAddress("demo", "anna@example.com", "wrong"),
        PortalClient_3_0_Slave::Arguments(), &settings);
    {
        Quorvel::SlaveManager manager;
        manager.addListener(&recorder, 1);
        manager.addSlave(std::move(slave));
        manager.addSlave(std::move(failing));
        ASSERT_TRUE(recorder.waitForCount(4));
    }
    EXPECT_EQ(recorder.typeAt(1), Quorvel::EVT_SLAVE_FINISHED);
    EXPECT_FALSE(result->accountId.empty());
    EXPECT_EQ(recorder.typeAt(3), Quorvel::EVT_SLAVE_FAILED);
    EXPECT_EQ(journalled("getAccountId"), 2u);
}

// The provider's fault script spoils the token picture the way a hostile or broken server
// would; each is refused before it is decoded, and the next honest token works.
TEST_F(PortalClientTest, TokensTheProviderSpoilsAreRefusedAndTheNextOneWorks)
{
    startProvider("[faults]\n"
                  "rule = portal/getRegistrationToken | bad-token not-png | 1\n"
                  "rule = portal/getRegistrationToken | bad-token missing | 1\n"
                  "rule = portal/getRegistrationToken | bad-token truncated | 1\n"
                  "rule = portal/getRegistrationToken | bad-token too-large | 1\n");
    auto client = portal();
    EXPECT_EQ(failureOf([&] { client->getRegistrationToken(); }),
              "Application.Error: Invalid token PNG image");
    EXPECT_EQ(failureOf([&] { client->getRegistrationToken(); }),
              "Application.Error: Missing token image");
    EXPECT_EQ(failureOf([&] { client->getRegistrationToken(); }),
              "Application.Error: Invalid token PNG image");
    EXPECT_EQ(failureOf([&] { client->getRegistrationToken(); }),
              "Application.Error: Invalid token PNG image");
    const auto token = client->getRegistrationToken();
    EXPECT_FALSE(client
                     ->createAccount(token.id, tokenText(token.id), "demo", "cleo@example.com",
                                     "pw")
                     .empty());
    EXPECT_EQ(journalled("getRegistrationToken"), 5u);
}

// A server that drops the connection while a large request is still going out: the call fails
// with an error, and the test process (which, unlike the program, does not ignore SIGPIPE) is
// not ended by the signal.
TEST(PortalClient, AServerDroppingALargeRequestFailsTheCallQuietly)
{
    ScratchDir dir;
    Quorvel::NetworkSettings settings(dir / "network.ini");
    LoopbackHttpServer server;
    Response drop;
    drop.closeAfterBodyBytes = 0;
    server.enqueue(drop);
    auto client = Quorvel::makeRef<PortalClient_3_0>(settings);
    client->setAddress({"127.0.0.1", server.port(), "", ""});
    const wxString huge(wxUniChar('a'), 8 * 1024 * 1024);
    EXPECT_NE(failureOf([&] { client->createAccount("t1", "AB", "demo", huge, "pw"); }),
              "nothing thrown");
}
