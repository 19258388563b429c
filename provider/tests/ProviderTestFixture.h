#pragma once
// What the provider's tests share: a provider started in the test process on a free loopback
// port with a small configuration, clients that reach it through it as their HTTP proxy (so any
// host name works), and a raw connection for what no well-behaved client sends.

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "ProviderServer.h"
#include "ScratchDir.h"
#include "SoapLocatorH.h"
#include "SoapPortalH.h"
#include "SoapStorageH.h"
#include "service/GSoapClient.h"
#include "service/HTTPClient.h"
#include "service/NetworkSettings.h"
#include "system/Exceptions.h"
#include "threads/ReferenceCounted.h"

using Provider::ProviderConfig;
using Provider::ProviderServer;
using Provider::ProviderStore;
using Quorvel::GSoapClient;
using Quorvel::ServiceAddress;
using Quorvel::SoapException;
using Call = Quorvel::GSoapClient::Call;

inline const char* const CONFIG = R"(
[provider]
name = Test provider
terms = Be kind to the printers.
news = <p>New frames</p>
newsupdated = 1000
smsprice = 1.5
smscurrency = NOK
mmsprice = 4.25
mmscurrency = NOK

[directory /]
description = All shops
directory = /nordic | Nordic shops
portal = demo | Demo Photo | Oslo

[directory /nordic]
description = Nordic shops
portal = fjord | Fjord Foto | Bergen

[directory /moved]
redirect = /nordic | locator.example

[portal demo]
name = Demo Photo
websiteurl = http://demo.example/
description = Prints and books
pricelist = demo-prices.xml
account = anna@example.com | secret

[portal fjord]
name = Fjord Foto

[pricelist books]
uuid = 1b4e28ba-2fa1-11d2-883f-0016d3cca427
file = books.xml
)";

// Calls through the provider as proxy carry " (via proxy)" at the end of their messages.

// One client for any service: the calls go through the base's sequence with the stubs.
class TestClient : public GSoapClient, public Quorvel::ReferenceCounted {
public:
    TestClient(const std::string& prefix, const wxString& path, Quorvel::NetworkSettings& settings)
        : GSoapClient(prefix, path, settings)
    {
    }
};

template <class F> wxString codeOf(F action)
{
    try {
        action();
    } catch (const SoapException& e) {
        return e.getCode() + ": " + e.getMessage();
    }
    return "nothing thrown";
}

inline std::string utf8(const wxString& text)
{
    return std::string(text.utf8_str());
}

// A new TCP socket connected to `port` on loopback (a test failure when it cannot connect).
int connectToLoopback(int port);

// A plain TCP connection to the provider on loopback, for requests written by hand and for
// clients that stall. Closed with the object.
class RawConnection {
public:
    explicit RawConnection(int port);
    ~RawConnection();
    RawConnection(const RawConnection&) = delete;
    RawConnection& operator=(const RawConnection&) = delete;

    bool send(const std::string& data);
    // Says that nothing more will be sent.
    void shutdownWrite();
    // Everything until the provider closes the connection, waiting at most `limit` for it;
    // `closed` tells whether it did.
    std::string receiveAll(bool* closed = nullptr,
                           std::chrono::milliseconds limit = std::chrono::seconds(10));

private:
    int m_socket = -1;
};

class ProviderServerTest : public ::testing::Test {
protected:
    ScratchDir dir;
    std::unique_ptr<ProviderServer> server;
    std::unique_ptr<Quorvel::NetworkSettings> settings;

    void SetUp() override
    {
        dir.writeFile("conf/demo-prices.xml", "<pricelist name=\"demo\"/>");
        dir.writeFile("conf/books.xml", "<pricelist name=\"books\"/>");
        dir.writeFile("data/files/templatelist.xml", "<templatelist/>");
        // The client reaches every host name through the provider as its proxy.
        startServer();
        settings = std::make_unique<Quorvel::NetworkSettings>(dir / "network.ini");
    }
    // With `moreConfig` after the test configuration.
    void startServer(ProviderServer::Options options = ProviderServer::Options(),
                     const std::string& moreConfig = std::string())
    {
        server = std::make_unique<ProviderServer>(
            ProviderConfig::parse(CONFIG + moreConfig, utf8(dir / "conf")), utf8(dir / "data"),
            options);
        server->setQuiet(true);
        server->start("127.0.0.1", 0);
        dir.writeFile("network.ini",
                      "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(server->port()) + "\n");
    }
    // A portal client for the host of the portal `portalId`.
    Quorvel::Ref<TestClient> portal(const wxString& user = "", const wxString& password = "",
                                    const wxString& portalId = "demo")
    {
        auto client = Quorvel::makeRef<TestClient>("portal", "/service/portal/3.0/", *settings);
        client->setAddress({portalId + ".portal.vistrelle.net", 80, user, password});
        return client;
    }
    std::string accountId(TestClient& client)
    {
        Call call(client);
        SoapPortal::portal__getAccountIdResponse reply;
        call.check(
            SoapPortal::soap_call_portal__getAccountId(call.context(), call.endpoint(), "", reply));
        return reply.accountid;
    }
    // The names of the root directory, through a locator client of its own.
    std::string listing()
    {
        TestClient locator("locator", "/service/locator/1.0/", *settings);
        locator.setAddress({"locator.vistrelle.net", 80, "", ""});
        Call call(locator);
        SoapLocator::locator__getDirectoryContentsResponse reply;
        call.check(SoapLocator::soap_call_locator__getDirectoryContents(
            call.context(), call.endpoint(), "", "/", "en", reply));
        return reply.description;
    }
    ProviderStore store() { return ProviderStore(utf8(dir / "data/provider.db")); }
    // A new session with the client's credentials.
    static std::string openSession(TestClient& client)
    {
        Call call(client);
        SoapPortal::portal__createSessionResponse reply;
        call.check(SoapPortal::soap_call_portal__createSession(call.context(), call.endpoint(), "",
                                                               reply));
        return reply.sessionid;
    }
    // A session of the configured account anna@example.com.
    std::string annaSession() { return openSession(*portal("anna@example.com", "secret")); }
    // A new registration token's id; its picture goes to `png` when given.
    static std::string newToken(TestClient& client, std::string* png = nullptr)
    {
        Call call(client);
        SoapPortal::portal__getRegistrationTokenResponse reply;
        call.check(SoapPortal::soap_call_portal__getRegistrationToken(
            call.context(), call.endpoint(), "", "png", reply));
        if (png && reply.tokenimage)
            png->assign(reinterpret_cast<const char*>(reply.tokenimage->__ptr),
                        reply.tokenimage->__size);
        return reply.tokenid;
    }
};
