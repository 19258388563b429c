#include "ProviderTestFixture.h"
#include "SoapSharingH.h"

#include <wx/mstream.h>

#include "LogCapture.h"
#include "SoapPaymentH.h"
#include "SoapVManagerH.h"
#include "service/ServiceTask.h"
TEST_F(ProviderServerTest, LocatorListsDirectoriesPortalsAndRedirects)
{
    // Reached directly this time: the configured port 80 gives way to the override.
    dir.writeFile("network.ini", "[Http]\nPortOverride=" + std::to_string(server->port()) + "\n");
    TestClient locator("locator", "/service/locator/1.0/", *settings);
    locator.setAddress({"127.0.0.1", 80, "", ""});
    {
        Call call(locator);
        SoapLocator::locator__getDirectoryContentsResponse reply;
        call.check(SoapLocator::soap_call_locator__getDirectoryContents(
            call.context(), call.endpoint(), "", "/", "en", reply));
        // The listing's entries are checked through the locator client.
        EXPECT_EQ(reply.redirect, nullptr);
        EXPECT_EQ(reply.description, "All shops");
    }
    {
        Call call(locator);
        SoapLocator::locator__getDirectoryContentsResponse reply;
        call.check(SoapLocator::soap_call_locator__getDirectoryContents(
            call.context(), call.endpoint(), "", "/moved", "en", reply));
        ASSERT_NE(reply.redirect, nullptr);
        EXPECT_EQ(reply.redirect->path, "/nordic");
        EXPECT_EQ(reply.redirect->host, "locator.example");
    }
    EXPECT_EQ(codeOf([&] {
                  Call call(locator);
                  SoapLocator::locator__getDirectoryContentsResponse reply;
                  call.check(SoapLocator::soap_call_locator__getDirectoryContents(
                      call.context(), call.endpoint(), "", "/nowhere", "en", reply));
              }),
              "SoapClient.NotFound: No such directory: /nowhere");
}

// Portal information, terms and news go through the portal client's tests; the template list's
// address is the provider's own.
TEST_F(ProviderServerTest, TemplateListIsServedWhereThePortalSaysItIs)
{
    auto client = portal();
    std::string templateListUrl;
    {
        Call call(*client);
        SoapPortal::portal__getTemplateListUrlResponse reply;
        call.check(SoapPortal::soap_call_portal__getTemplateListUrl(call.context(), call.endpoint(),
                                                                    "", reply));
        templateListUrl = reply.templatelisturl;
    }
    EXPECT_EQ(templateListUrl.rfind("http://demo.portal.vistrelle.net", 0), 0u) << templateListUrl;
    // The list comes from the same server, through the proxy like the calls.
    Quorvel::HTTPClient http(*settings);
    wxString text;
    EXPECT_EQ(http.fetchToString(wxString::FromUTF8(templateListUrl.c_str()), text), 200);
    EXPECT_EQ(text, "<templatelist/>");
}

TEST_F(ProviderServerTest, RegistrationMakesAnAccountThatOutlivesARestart)
{
    auto client = portal();
    auto createAccount = [&](const std::string& tokenId, const std::string& text,
                             const std::string& email) {
        Call call(*client);
        SoapPortal::portal__createAccountResponse reply;
        call.check(SoapPortal::soap_call_portal__createAccount(
            call.context(), call.endpoint(), "", tokenId, text, "demo", email, "pass word", reply));
        return reply.accountid;
    };

    std::string png;
    const std::string wrongToken = newToken(*client, &png);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    EXPECT_EQ(png.substr(12, 4), "IHDR");
    // A wrong guess uses the token up.
    EXPECT_EQ(codeOf([&] { createAccount(wrongToken, "not digits", "bo@example.com"); }),
              "SoapClient.InvalidToken: The text does not match the picture (via proxy)");
    EXPECT_FALSE(store().tokenText(wrongToken));
    // A mistyped address is told before the token is tried, so the picture still holds.
    const std::string kept = newToken(*client);
    EXPECT_EQ(codeOf([&] { createAccount(kept, "x", "bo at example.com"); }),
              "SoapClient.InvalidEmail: Not an e-mail address: bo at example.com (via proxy)");
    EXPECT_TRUE(store().tokenText(kept));

    const std::string token = newToken(*client);
    const std::string id = createAccount(token, *store().tokenText(token), "bo@example.com");
    EXPECT_FALSE(id.empty());

    const std::string again = newToken(*client);
    EXPECT_EQ(codeOf([&] { createAccount(again, *store().tokenText(again), "bo@example.com"); }),
              "SoapClient.AccountExists: An account with this e-mail address exists (via proxy)");

    server.reset();
    startServer();
    auto afterRestart = portal("bo@example.com", "pass word");
    EXPECT_EQ(accountId(*afterRestart), id);
    auto byId = portal(wxString::FromUTF8(id.c_str()), "pass word");
    EXPECT_EQ(accountId(*byId), id);

    Call call(*afterRestart);
    SoapPortal::portal__sendPasswordReminderResponse reply;
    call.check(SoapPortal::soap_call_portal__sendPasswordReminder(
        call.context(), call.endpoint(), "", "demo", "bo@example.com", reply));
    // Asking tells no one whether an address has an account; only what is no address or no
    // portal is refused.
    auto remind = [&](const std::string& portalId, const std::string& email) {
        return codeOf([&] {
            Call call(*afterRestart);
            SoapPortal::portal__sendPasswordReminderResponse reply;
            call.check(SoapPortal::soap_call_portal__sendPasswordReminder(
                call.context(), call.endpoint(), "", portalId, email, reply));
        });
    };
    EXPECT_EQ(remind("demo", "nobody@example.com"), "nothing thrown");
    EXPECT_EQ(remind("fjord", "bo@example.com"), "nothing thrown");
    EXPECT_EQ(remind("demo", "bo"), "SoapClient.InvalidEmail: Not an e-mail address (via proxy)");
    EXPECT_EQ(remind("nowhere", "bo@example.com"),
              "SoapClient.UnknownPortal: No such portal: nowhere (via proxy)");
}

TEST_F(ProviderServerTest, OneAddressHasAnAccountOnEachPortalAndLogsInOnItsOwnHost)
{
    auto createAccount = [&](const wxString& portalId, const std::string& email,
                             const std::string& password) {
        auto client = portal("", "", portalId);
        const std::string token = newToken(*client);
        Call call(*client);
        SoapPortal::portal__createAccountResponse reply;
        call.check(SoapPortal::soap_call_portal__createAccount(
            call.context(), call.endpoint(), "", token, *store().tokenText(token), utf8(portalId),
            email, password, reply));
        return reply.accountid;
    };
    // anna@example.com is configured on demo; the same address, in other letters, on fjord.
    const std::string fjordId = createAccount("fjord", "Anna@Example.com", "fjord secret");
    const std::string demoId = store().findAccount("demo", "anna@example.com")->id;
    EXPECT_NE(fjordId, demoId);
    EXPECT_EQ(accountId(*portal("anna@example.com", "secret", "demo")), demoId);
    EXPECT_EQ(accountId(*portal("ANNA@example.com", "fjord secret", "fjord")), fjordId);
    // Each password opens its own portal's account only.
    for (const auto& [password, portalId] :
         {std::pair<wxString, wxString>{"fjord secret", "demo"}, {"secret", "fjord"}})
        EXPECT_TRUE(codeOf([&] {
                        accountId(*portal("anna@example.com", password, portalId));
                    }).StartsWith("Soap.UnknownError: gSOAP error code [401]"))
            << password << " on " << portalId;
    // Once per portal, whatever the letter case.
    EXPECT_EQ(codeOf([&] { createAccount("fjord", "anna@EXAMPLE.com", "third"); }),
              "SoapClient.AccountExists: An account with this e-mail address exists (via proxy)");
}

TEST_F(ProviderServerTest, EmailChoiceAndMobileBelongToTheAccount)
{
    // The user information's round trip is the portal client's test.
    auto client = portal("anna@example.com", "secret");
    const std::string id = accountId(*client);
    {
        Call call(*client);
        SoapPortal::portal__setReceiveEmailInformationResponse reply;
        call.check(SoapPortal::soap_call_portal__setReceiveEmailInformation(
            call.context(), call.endpoint(), "", true, reply));
    }
    EXPECT_TRUE(store().findById(id)->receiveEmail);

    auto sendCode = [&](const std::string& phone) {
        Call call(*client);
        SoapPortal::portal__sendMobileActivationCodeResponse reply;
        call.check(SoapPortal::soap_call_portal__sendMobileActivationCode(
            call.context(), call.endpoint(), "", phone, reply));
    };
    auto activate = [&](const std::string& code) {
        Call call(*client);
        SoapPortal::portal__activateMobileResponse reply;
        call.check(SoapPortal::soap_call_portal__activateMobile(call.context(), call.endpoint(), "",
                                                                code, reply));
    };
    // A code tried too often is used up; the right one then comes too late.
    sendCode("+4711111111");
    const std::string firstCode = *store().activationCode(id);
    EXPECT_EQ(firstCode.size(), 6u);
    for (int i = 0; i + 1 < ProviderStore::ACTIVATION_TRIES; ++i)
        EXPECT_EQ(codeOf([&] { activate("wrong"); }),
                  "SoapClient.InvalidActivationCode: The activation code is not right (via proxy)");
    EXPECT_EQ(codeOf([&] { activate("wrong"); }),
              "SoapClient.ActivationCodeUsedUp: The activation code is not right, and it has been "
              "tried too often: ask for a new one (via proxy)");
    EXPECT_EQ(codeOf([&] { activate(firstCode); }),
              "SoapClient.InvalidActivationCode: The activation code is not right (via proxy)");

    sendCode("+4798765432");
    EXPECT_EQ(codeOf([&] { activate("wrong"); }),
              "SoapClient.InvalidActivationCode: The activation code is not right (via proxy)");
    activate(*store().activationCode(id));

    Call call(*client);
    SoapPortal::portal__getActivatedMobileResponse reply;
    call.check(SoapPortal::soap_call_portal__getActivatedMobile(call.context(), call.endpoint(), "",
                                                                reply));
    EXPECT_EQ(reply.phonenumber, "+4798765432");
    EXPECT_DOUBLE_EQ(reply.smsprice, 1.5);
    EXPECT_EQ(reply.smscurrency, "NOK");
    EXPECT_DOUBLE_EQ(reply.mmsprice, 4.25);
    EXPECT_EQ(reply.mmscurrency, "NOK");
}

TEST_F(ProviderServerTest, PriceListsByNameAndUuid)
{
    // The portal's own list is the portal client's test.
    auto client = portal();
    {
        Call call(*client);
        SoapPortal::portal__downloadPriceListByNameResponse reply;
        call.check(SoapPortal::soap_call_portal__downloadPriceListByName(
            call.context(), call.endpoint(), "", "books", "", reply));
        EXPECT_EQ(reply.pricelistxml, "<pricelist name=\"books\"/>");
    }
    {
        Call call(*client);
        SoapPortal::portal__downloadPriceListByUuidResponse reply;
        call.check(SoapPortal::soap_call_portal__downloadPriceListByUuid(
            call.context(), call.endpoint(), "", "1b4e28ba-2fa1-11d2-883f-0016d3cca427", "",
            reply));
        EXPECT_EQ(reply.pricelistxml, "<pricelist name=\"books\"/>");
    }
    // The portal without a price list, named by its host.
    client->setAddress({"fjord.portal.vistrelle.net", 80, "", ""});
    EXPECT_EQ(codeOf([&] {
                  Call call(*client);
                  SoapPortal::portal__downloadPriceListResponse reply;
                  call.check(SoapPortal::soap_call_portal__downloadPriceList(
                      call.context(), call.endpoint(), "", "", reply));
              }),
              "SoapClient.NotFound: No price list is configured (via proxy)");
}

TEST_F(ProviderServerTest, SessionsReplaceTheAccountCredentials)
{
    auto client = portal("anna@example.com", "secret");
    const std::string id = accountId(*client);
    const std::string session = openSession(*client);
    auto bySession = portal("SESSIONID", wxString::FromUTF8(session.c_str()));
    EXPECT_EQ(accountId(*bySession), id);
    {
        Call call(*bySession);
        SoapPortal::portal__closeSessionResponse reply;
        call.check(
            SoapPortal::soap_call_portal__closeSession(call.context(), call.endpoint(), "", reply));
    }
    // A closed session, a wrong password and no credentials all get HTTP 401.
    for (auto& refused : {bySession, portal("anna@example.com", "wrong"), portal()})
        EXPECT_TRUE(codeOf([&] {
                        accountId(*refused);
                    }).StartsWith("Soap.UnknownError: gSOAP error code [401]"))
            << codeOf([&] { accountId(*refused); });
}

TEST_F(ProviderServerTest, ThePaymentServiceAnswersOverHttpsOnly)
{
    TestClient payment("payment", "/service/payment/1.0/", *settings);
    payment.setAddress({"demo.portal.vistrelle.net", 80, "", ""});
    Call call(payment);
    SoapPayment::payment__sendPaymentDetailsResponse reply;
    EXPECT_EQ(codeOf([&] {
                  call.check(SoapPayment::soap_call_payment__sendPaymentDetails(
                      call.context(), call.endpoint(), "", "T1", 1, "cardnumber=4111111111111111",
                      reply));
              }),
              "SoapClient.HttpsRequired: The payment service is reached over HTTPS only (via "
              "proxy)");
}

TEST_F(ProviderServerTest, MalformedRequestGetsAFault)
{
    for (const std::string body : {"x", "<a></a>"}) {
        Quorvel::HTTPClient http(*settings);
        wxMemoryInputStream stream(body.data(), body.size());
        http.setContentType("text/xml");
        http.setBodyStream(&stream);
        EXPECT_EQ(http.post("http://demo.portal.vistrelle.net/service/portal/3.0/",
                            Quorvel::HTTPClient::POST_BODY),
                  500)
            << body;
        std::string reply;
        http.readBody([&](const char* data, size_t size) { reply.append(data, size); });
        EXPECT_NE(reply.find("Malformed request"), std::string::npos) << reply;
    }
}

namespace {

// The payment service's transport: https with the server authenticated.
class TlsClient : public TestClient {
public:
    TlsClient(Quorvel::NetworkSettings& settings, int port, const wxString& caFile,
              const wxString& user = "", const wxString& password = "")
        : TestClient("portal", "/service/portal/3.0/", settings)
    {
        ready = setUpSsl(caFile);
        WebServiceClient::setAddress(
            {"127.0.0.1", port, user, password},
            wxString::Format("https://127.0.0.1:%d/service/portal/3.0/", port));
    }
    std::string terms()
    {
        Call call(*this);
        SoapPortal::portal__getTermsOfServiceResponse reply;
        call.check(SoapPortal::soap_call_portal__getTermsOfService(call.context(), call.endpoint(),
                                                                   "", reply));
        return reply.serviceterms;
    }
    bool ready = false;
};

} // namespace

TEST_F(ProviderServerTest, TlsServerIsTrustedOnlyThroughItsAuthority)
{
    ProviderServer tls(ProviderConfig::parse(CONFIG, utf8(dir / "conf")), utf8(dir / "tlsdata"));
    tls.setQuiet(true);
    tls.useTls(TEST_CA_DIR "/server.pem");
    const int port = tls.start("127.0.0.1", 0);
    Quorvel::NetworkSettings direct(dir / "direct.ini");

    TlsClient trusting(direct, port, TEST_CA_DIR "/cacert.pem");
    ASSERT_TRUE(trusting.ready);
    EXPECT_EQ(trusting.terms(), "Be kind to the printers.");

    TlsClient refusing(direct, port, TEST_CA_DIR "/other-cacert.pem");
    ASSERT_TRUE(refusing.ready);
    const wxString failure = codeOf([&] { refusing.terms(); });
    EXPECT_TRUE(failure.StartsWith(
        "Security.Certificate: Server certificate was not accepted for security reasons: "))
        << failure;
}

namespace {

std::string templateListUrl(TestClient& client)
{
    Call call(client);
    SoapPortal::portal__getTemplateListUrlResponse reply;
    call.check(SoapPortal::soap_call_portal__getTemplateListUrl(call.context(), call.endpoint(), "",
                                                                reply));
    return reply.templatelisturl;
}

} // namespace

TEST_F(ProviderServerTest, HttpAndHttpsServeOneStoreAtOnce)
{
    ProviderServer both(ProviderConfig::parse(std::string(CONFIG) +
                                                  "[provider]\nnewsresource = /files/banner.png\n"
                                                  "newsresource = http://cdn.example/x.png\n",
                                              utf8(dir / "conf")),
                        utf8(dir / "bothdata"));
    both.setQuiet(true);
    both.useTls(TEST_CA_DIR "/server.pem");
    const int port = both.start("127.0.0.1", 0, 0);
    const int tlsPort = both.tlsPort();
    ASSERT_NE(tlsPort, ProviderServer::NO_PORT);
    ASSERT_NE(tlsPort, port);
    Quorvel::NetworkSettings direct(dir / "direct.ini");

    TestClient plain("portal", "/service/portal/3.0/", direct);
    plain.setAddress({"127.0.0.1", port, "anna@example.com", "secret"});
    const std::string id = accountId(plain);
    const std::string session = openSession(plain);
    // Addresses handed out name the scheme, host and port each request came in on.
    EXPECT_EQ(templateListUrl(plain),
              "http://127.0.0.1:" + std::to_string(port) + "/files/templatelist.xml");

    // The session opened over HTTP holds over HTTPS: one store behind both.
    TlsClient secure(direct, tlsPort, TEST_CA_DIR "/cacert.pem", "SESSIONID",
                     wxString::FromUTF8(session.c_str()));
    ASSERT_TRUE(secure.ready);
    EXPECT_EQ(accountId(secure), id);
    const std::string secureOrigin = "https://127.0.0.1:" + std::to_string(tlsPort);
    EXPECT_EQ(templateListUrl(secure), secureOrigin + "/files/templatelist.xml");
    Call call(secure);
    SoapPortal::portal__getHtmlNewsResponse reply;
    call.check(
        SoapPortal::soap_call_portal__getHtmlNews(call.context(), call.endpoint(), "", 0, reply));
    ASSERT_NE(reply.resources, nullptr);
    ASSERT_EQ(reply.resources->__size, 2);
    EXPECT_EQ(reply.resources->__ptr[0], secureOrigin + "/files/banner.png");
    EXPECT_EQ(reply.resources->__ptr[1], "http://cdn.example/x.png");
}

namespace {

// A companion of the test client in the pattern every service client follows.
class TermsTask : public Quorvel::ServiceTask<TestClient> {
public:
    enum { GET_TERMS = 0 };
    TermsTask(const Quorvel::Ref<TestClient>& client, int operation)
        : ServiceTask(client, operation, "TESTCLIENT_Task")
    {
    }
    std::string terms;

protected:
    void runOperation(int operation) override
    {
        if (operation != GET_TERMS)
            unknownOperation("No code to handle the given task in TermsTask");
        Call call(getClient());
        SoapPortal::portal__getTermsOfServiceResponse reply;
        call.check(SoapPortal::soap_call_portal__getTermsOfService(call.context(), call.endpoint(),
                                                                   "", reply));
        terms = reply.serviceterms;
    }
};

} // namespace

TEST_F(ProviderServerTest, TaskCompanionRunsTheOperationItNames)
{
    auto client = portal();
    LogCapture log;
    auto task = Quorvel::makeRef<TermsTask>(client, TermsTask::GET_TERMS);
    task->run();
    EXPECT_EQ(task->terms, "Be kind to the printers.");
    EXPECT_TRUE(log.contains("[TESTCLIENT_Task] Started working..."));

    auto unknown = Quorvel::makeRef<TermsTask>(client, 7);
    EXPECT_THROW(unknown->run(), Quorvel::UnsupportedException);
}

TEST_F(ProviderServerTest, PluginManagerNamesThePluginsMeantForTheProgram)
{
    server.reset();
    startServer(ProviderServer::Options(), "[plugin org.example.frames]\nlist = recinstall\n"
                                           "version = 1.2.0\nrepository = http://plugins.example/\n"
                                           "title = Frames\nbody = Twelve new frames\n"
                                           "[plugin org.example.calendar]\nlist = recupdate\n"
                                           "version = 3\n"
                                           "[plugin org.example.books]\nlist = requpdate\n"
                                           "version = 2.0.1\nportals = fjord\n"
                                           // Without a list: recommended to install.
                                           "[plugin org.example.albums]\nversion = 0.9\n");
    TestClient vmanager("vmanager", "/service/vmanager/1.0/", *settings);
    vmanager.setAddress({"vmanager.vistrelle.net", 80, "", ""});
    // Package id and version of each list's entries: installs | updates | required updates.
    auto updates = [&](const std::string& portalId) {
        Call call(vmanager);
        SoapVManager::vmanager__getPluginUpdatesResponse reply;
        call.check(SoapVManager::soap_call_vmanager__getPluginUpdates(
            call.context(), call.endpoint(), "", "install-1", "debian", "2.4.16", portalId, reply));
        std::string lists;
        for (const auto* list : {reply.recinstall, reply.recupdate, reply.requpdate}) {
            lists += lists.empty() ? "" : " |";
            for (int i = 0; list && i < list->__size; ++i)
                lists += " " + list->__ptr[i].packageid + " " + list->__ptr[i].version;
        }
        return lists;
    };
    EXPECT_EQ(updates(""),
              " org.example.albums 0.9 org.example.frames 1.2.0 | org.example.calendar 3 |");
    EXPECT_EQ(updates("fjord"), " org.example.albums 0.9 org.example.frames 1.2.0 |"
                                " org.example.calendar 3 | org.example.books 2.0.1");
    // A portal the provider does not have is no portal at all.
    EXPECT_EQ(updates("../fjord"), updates(""));

    Call call(vmanager);
    SoapVManager::vmanager__getPluginUpdatesResponse reply;
    call.check(SoapVManager::soap_call_vmanager__getPluginUpdates(
        call.context(), call.endpoint(), "", "install-1", "debian", "2.4.16", "", reply));
    ASSERT_NE(reply.recinstall, nullptr);
    ASSERT_EQ(reply.recinstall->__size, 2);
    const auto& frames = reply.recinstall->__ptr[1];
    EXPECT_EQ(frames.messagetitle, "Frames");
    EXPECT_EQ(frames.messagebody, "Twelve new frames");
    EXPECT_EQ(frames.repository, "http://plugins.example/");
}

TEST_F(ProviderServerTest, ShippedFilesAreServedWhereTheDataFolderHasNone)
{
    dir.writeFile("conf/shipped/templatelist.xml", "<shipped/>");
    dir.writeFile("conf/shipped/templates/a.zip", "zip bytes");
    startServer(ProviderServer::Options(), "[provider]\nfiles = shipped\n");
    Quorvel::HTTPClient http(*settings);
    wxString text;
    EXPECT_EQ(http.fetchToString("http://demo.portal.vistrelle.net/files/templates/a.zip", text),
              200);
    EXPECT_EQ(text, "zip bytes");
    // The operator's own file wins over the shipped one.
    EXPECT_EQ(http.fetchToString("http://demo.portal.vistrelle.net/files/templatelist.xml", text),
              200);
    EXPECT_EQ(text, "<templatelist/>");
    EXPECT_EQ(
        http.fetchToString("http://demo.portal.vistrelle.net/files/templates/b.zip", text, false),
        404);
    // Nothing beside the shipped folder is reached through it.
    dir.writeFile("conf/secret.txt", "secret");
    EXPECT_EQ(
        http.fetchToString("http://demo.portal.vistrelle.net/files/../secret.txt", text, false),
        404);
    EXPECT_EQ(
        http.fetchToString("http://demo.portal.vistrelle.net/files/%2e%2e/secret.txt", text, false),
        404);
}
