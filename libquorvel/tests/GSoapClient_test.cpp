#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <future>
#include <thread>

#include <zlib.h>

#include "FullListener.h"
#include "LogCapture.h"
#include "LoopbackHttpServer.h"
#include "ScratchDir.h"
#include "SoapPortalH.h"
#include "service/GSoapClient.h"
#include "service/NetworkSettings.h"
#include "service/ServiceTask.h"
#include "service/SoapLimits.h"
#include "system/Exceptions.h"
#include "system/UserAgent.h"
#include "threads/TaskRunnerThread.h"

using Quorvel::GSoapClient;
using Quorvel::ServiceAddress;
using Quorvel::SoapException;
using Response = LoopbackHttpServer::Response;

namespace {

const std::string ENVELOPE_START =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
    "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
    "xmlns:SOAP-ENC=\"http://schemas.xmlsoap.org/soap/encoding/\" "
    "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\" "
    "xmlns:xsd=\"http://www.w3.org/2001/XMLSchema\" "
    "xmlns:portal=\"http://vistrelle.net/service/portal/3.0\"><SOAP-ENV:Body>";
const std::string ENVELOPE_END = "</SOAP-ENV:Body></SOAP-ENV:Envelope>";

Response soapReply(const std::string& body)
{
    return Response::ok(ENVELOPE_START + body + ENVELOPE_END,
                        "Content-Type: text/xml; charset=utf-8\r\n");
}

Response faultReply(const std::string& code, const std::string& text,
                    const std::string& detail = "")
{
    // A code given as a whole element keeps its own namespace declarations.
    const std::string element = code[0] == '<' ? code : "<faultcode>" + code + "</faultcode>";
    const std::string body = ENVELOPE_START + "<SOAP-ENV:Fault>" + element + "<faultstring>" +
                             text + "</faultstring>" + detail + "</SOAP-ENV:Fault>" + ENVELOPE_END;
    Response response;
    response.head =
        "HTTP/1.0 500 Internal Server Error\r\nContent-Type: text/xml\r\nContent-Length: " +
        std::to_string(body.size()) + "\r\n\r\n";
    response.body = body;
    return response;
}

// The smallest real client: portal operations through the base's call sequence.
class TermsClient : public GSoapClient {
public:
    explicit TermsClient(Quorvel::NetworkSettings& settings)
        : GSoapClient("portal", "/service/portal/3.0/", settings)
    {
    }
    wxString getTermsOfService(bool compressed = false)
    {
        Call call(*this, "getTermsOfService");
        if (compressed)
            call.acceptCompressedReply();
        SoapPortal::portal__getTermsOfServiceResponse reply;
        call.check(SoapPortal::soap_call_portal__getTermsOfService(call.context(), call.endpoint(),
                                                                   "", reply));
        return wxString::FromUTF8(reply.serviceterms.c_str());
    }
    // Bytes of news text and resources together.
    size_t getHtmlNewsSize(bool compressed = false)
    {
        Call call(*this, "getHtmlNews");
        if (compressed)
            call.acceptCompressedReply();
        SoapPortal::portal__getHtmlNewsResponse reply;
        call.check(SoapPortal::soap_call_portal__getHtmlNews(call.context(), call.endpoint(), "", 0,
                                                             reply));
        size_t size = reply.htmlnews.size();
        for (int i = 0; reply.resources && i < reply.resources->__size; ++i)
            size += reply.resources->__ptr[i].size();
        return size;
    }
    // The token picture's size, read under the limit of `operation`.
    int getTokenImageSize(std::string_view operation)
    {
        Call call(*this, operation);
        SoapPortal::portal__getRegistrationTokenResponse reply;
        call.check(SoapPortal::soap_call_portal__getRegistrationToken(
            call.context(), call.endpoint(), "", "png", reply));
        return reply.tokenimage ? reply.tokenimage->__size : -1;
    }
};

// The same operation over TLS, as the payment service is reached: with server authentication
// against `caFile`.
class SecureTermsClient : public TermsClient {
public:
    SecureTermsClient(Quorvel::NetworkSettings& settings, int port, const wxString& caFile)
        : TermsClient(settings)
    {
        requireSsl(caFile, "Could not setup SSL for payment client");
        WebServiceClient::setAddress(
            {"127.0.0.1", port, "", ""},
            wxString::Format("https://127.0.0.1:%d/service/portal/3.0/", port));
    }
};

// A reply of `count` pieces of `piece` between `before` and `after`, compressed with gzip as it
// is made, so an enormous inflated size never sits in memory.
Response gzipReply(const std::string& before, const std::string& piece, size_t count,
                   const std::string& after)
{
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_SPEED, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    std::string out;
    auto feed = [&](const std::string& data, int flush) {
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
        stream.avail_in = static_cast<uInt>(data.size());
        char buffer[65536];
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof buffer;
            deflate(&stream, flush);
            out.append(buffer, sizeof buffer - stream.avail_out);
        } while (stream.avail_out == 0);
    };
    feed(ENVELOPE_START + before, Z_NO_FLUSH);
    for (size_t i = 0; i < count; ++i)
        feed(piece, Z_NO_FLUSH);
    feed(after + ENVELOPE_END, Z_FINISH);
    deflateEnd(&stream);
    return Response::ok(out, "Content-Type: text/xml; charset=utf-8\r\nContent-Encoding: gzip\r\n");
}

// Peak resident memory of the process, in bytes, since the last resetPeakMemory().
int64_t peakMemory()
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stoll(line.substr(6)) * 1024;
    return -1;
}
void resetPeakMemory()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

std::string newsReply(const std::string& news, const std::vector<std::string>& resources)
{
    std::string body = "<portal:getHtmlNewsResponse><htmlnews>" + news +
                       "</htmlnews><resources SOAP-ENC:arrayType=\"xsd:string[" +
                       std::to_string(resources.size()) + "]\">";
    for (const std::string& resource : resources)
        body += "<item>" + resource + "</item>";
    return body + "</resources><updatetime>2024-01-01T00:00:00Z</updatetime><expirytime>"
                  "2024-01-01T00:00:00Z</expirytime></portal:getHtmlNewsResponse>";
}

struct Failure {
    wxString code;
    wxString message;
    wxString detail;
};

template <class F> Failure failureOf(F action)
{
    try {
        action();
    } catch (const SoapException& e) {
        return {e.getCode(), e.getMessage(), e.getFaultDetail()};
    }
    ADD_FAILURE() << "no SoapException";
    return {};
}

} // namespace

class GSoapClientTest : public ::testing::Test {
protected:
    ScratchDir dir;
    LoopbackHttpServer server;
    Quorvel::NetworkSettings settings{dir / "network.ini"};

    ServiceAddress serverAddress(const wxString& user = "", const wxString& password = "") const
    {
        return {"127.0.0.1", server.port(), user, password};
    }
    void useProxy(int port)
    {
        dir.writeFile("network.ini",
                      "[HttpProxy]\nHost=127.0.0.1\nPort=" + std::to_string(port) + "\n");
    }
    // A server that reads the request and never answers.
    void enqueueStalled()
    {
        Response stalled;
        stalled.stall = true;
        server.enqueue(stalled);
    }
    Failure failureFrom(const Response& response)
    {
        server.enqueue(response);
        TermsClient client(settings);
        client.setAddress(serverAddress());
        return failureOf([&] { client.getTermsOfService(); });
    }
};

TEST_F(GSoapClientTest, RequestCarriesHeadersCredentialsAndTheServiceNamespace)
{
    server.enqueue(
        soapReply("<portal:getTermsOfServiceResponse><serviceterms>Be f\xC3\xA6ir</serviceterms>"
                  "</portal:getTermsOfServiceResponse>"));
    TermsClient client(settings);
    client.setAddress(serverAddress("anna", "secret"));
    EXPECT_EQ(client.getEndpoint(),
              wxString::Format("http://127.0.0.1:%d/service/portal/3.0/", server.port()));

    EXPECT_EQ(client.getTermsOfService(), wxString::FromUTF8("Be f\xC3\xA6ir"));

    const auto request = server.lastRequest();
    EXPECT_EQ(request.requestLine().substr(0, 26), "POST /service/portal/3.0/ ");
    EXPECT_EQ(request.header("SOAPAction"), "\"\"");
    EXPECT_EQ(request.header("User-Agent"), Quorvel::UserAgent::get() + " gSOAP/2.7");
    EXPECT_EQ(request.header("Accept-Language"), std::string(settings.getLanguage().utf8_str()));
    EXPECT_EQ(request.header("Authorization"), "Basic YW5uYTpzZWNyZXQ=");
    EXPECT_NE(request.body.find("xmlns:portal=\"http://vistrelle.net/service/portal/3.0\""),
              std::string::npos);
    EXPECT_NE(request.body.find("<portal:getTermsOfService"), std::string::npos);
}

TEST_F(GSoapClientTest, HeadersAreSentOnEveryCall)
{
    TermsClient client(settings);
    client.setAddress(serverAddress());
    for (int i = 0; i < 2; ++i) {
        server.enqueue(soapReply("<portal:getTermsOfServiceResponse><serviceterms>x</serviceterms>"
                                 "</portal:getTermsOfServiceResponse>"));
        client.getTermsOfService();
    }
    for (const auto& request : server.requests()) {
        EXPECT_EQ(request.header("User-Agent"), Quorvel::UserAgent::get() + " gSOAP/2.7");
        EXPECT_TRUE(request.hasHeader("Accept-Language"));
        EXPECT_EQ(request.header("SOAPAction"), "\"\"");
    }
}

TEST_F(GSoapClientTest, PortOverrideReplacesOnlyPort80)
{
    dir.writeFile("network.ini", "[Http]\nPortOverride=8080\n");
    TermsClient client(settings);
    LogCapture log;
    client.setAddress({"portal.example", 80, "", ""});
    EXPECT_EQ(client.getEndpoint(), "http://portal.example:8080/service/portal/3.0/");
    EXPECT_TRUE(log.contains("[GSOAP] Standard port (80) is overriden to 8080"));
    EXPECT_EQ(client.getAddress().port, 80);

    client.setAddress({"portal.example", 81, "", ""});
    EXPECT_EQ(client.getEndpoint(), "http://portal.example:81/service/portal/3.0/");
}

TEST_F(GSoapClientTest, AddressesAreCheckedBeforeAnEndpointIsMade)
{
    TermsClient client(settings);
    client.setAddress({"portal.example", 8080, "anna", "secret"});
    const wxString endpoint = client.getEndpoint();
    const std::pair<const char*, int> refused[] = {
        {"evil.test/x", 80},  {"anna@evil.test", 80},
        {"a b", 80},          {"", 80},
        {"host\r\nX: y", 80}, {"::1", 80},
        {"[::1", 80},         {"host", 0},
        {"host", 65536},      {"host", -80},
    };
    for (const auto& [host, port] : refused) {
        try {
            client.setAddress({host, port, "anna", "secret"});
            ADD_FAILURE() << host << " " << port;
        } catch (const Quorvel::ResponseException& e) {
            EXPECT_EQ(e.getCode(), "Server.InvalidAddress");
        }
        EXPECT_EQ(client.getEndpoint(), endpoint) << host;
        EXPECT_EQ(client.getAddress().host, "portal.example");
    }
    client.setAddress({"[::1]", 65535, "", ""});
    EXPECT_EQ(client.getEndpoint(), "http://[::1]:65535/service/portal/3.0/");
}

TEST_F(GSoapClientTest, FaultsBecomeSoapCodes)
{
    const Failure bare =
        failureFrom(faultReply("SOAP-ENV:Server", "Database is down", "<detail>disk</detail>"));
    EXPECT_EQ(bare.code, "SoapServer.Error");
    EXPECT_EQ(bare.message, "Database is down");
    EXPECT_TRUE(bare.detail.Contains("disk")) << bare.detail;

    const Failure named =
        failureFrom(faultReply("SOAP-ENV:Client.InsufficientSlots", "No room left"));
    EXPECT_EQ(named.code, "SoapClient.InsufficientSlots");
    EXPECT_EQ(named.message, "No room left");

    // A code in a namespace the client does not know keeps its last part.
    const Failure foreign = failureFrom(
        faultReply("<faultcode xmlns:x=\"urn:other:ns\">x:Client.Slots</faultcode>", "Full"));
    EXPECT_EQ(foreign.code, "SoapClient.Slots");
}

TEST_F(GSoapClientTest, NotFoundIsServiceNotFound)
{
    const Failure failure = failureFrom(Response::status(404, "Not Found"));
    EXPECT_EQ(failure.code, "Server.ServiceNotFound");
    EXPECT_EQ(failure.message, "HTTP Error 404: Service not found");
}

TEST_F(GSoapClientTest, RefusedConnectionNamesHostAndPortAndTheProxy)
{
    const int refused = LoopbackHttpServer::refusedPort();
    TermsClient direct(settings);
    direct.setAddress({"127.0.0.1", refused, "", ""});
    const Failure failure = failureOf([&] { direct.getTermsOfService(); });
    EXPECT_EQ(failure.code, "Network.ConnectionRefused");
    EXPECT_EQ(
        failure.message,
        wxString::Format(
            "Connection was refused when trying to connect to host 127.0.0.1 on port %d", refused));

    useProxy(refused);
    TermsClient proxied(settings);
    proxied.setAddress({"portal.example", 80, "", ""});
    const Failure viaProxy = failureOf([&] { proxied.getTermsOfService(); });
    EXPECT_EQ(viaProxy.code, "Network.ConnectionRefused");
    EXPECT_EQ(viaProxy.message, "Connection was refused when trying to connect to host "
                                "portal.example on port 80 (via proxy)");
}

TEST_F(GSoapClientTest, TimeoutsAreConnectionTimeouts)
{
    // No connection, then a connection and no answer.
    FullListener unanswered;
    TermsClient connecting(settings);
    connecting.setAddress({"127.0.0.1", unanswered.port, "", ""});
    connecting.getContext()->connect_timeout = 1;
    Response stalled;
    stalled.stall = true;
    server.enqueue(stalled);
    TermsClient waiting(settings);
    waiting.setAddress(serverAddress());
    waiting.getContext()->recv_timeout = 1;

    for (auto [client, port] :
         {std::make_pair(&connecting, unanswered.port), std::make_pair(&waiting, server.port())}) {
        const Failure failure = failureOf([&] { client->getTermsOfService(); });
        EXPECT_EQ(failure.code, "Network.ConnectionTimeout") << failure.message;
        EXPECT_EQ(
            failure.message,
            wxString::Format(
                "Connection timed out when trying to connect to host 127.0.0.1 on port %d", port));
    }
}

namespace {

// The terms client held by counted references, and its task companion.
class CountedTermsClient : public TermsClient, public Quorvel::ReferenceCounted {
public:
    using TermsClient::TermsClient;

protected:
    ~CountedTermsClient() override = default;
};

class TermsTask : public Quorvel::ServiceTask<CountedTermsClient> {
public:
    explicit TermsTask(const Quorvel::Ref<CountedTermsClient>& client)
        : ServiceTask(client, 0, "TERMSCLIENT_Task")
    {
    }
    std::atomic<bool> ended{false};

protected:
    ~TermsTask() override = default;
    void runOperation(int) override
    {
        struct Ended {
            std::atomic<bool>& flag;
            ~Ended() { flag = true; }
        } ended{this->ended};
        getClient().getTermsOfService();
    }
};

} // namespace

TEST_F(GSoapClientTest, AbortCheckEndsACallThatWaitsForTheServer)
{
    enqueueStalled();
    TermsClient client(settings);
    client.setAddress(serverAddress());
    std::atomic<bool> aborted{false};
    client.setAbortCheck([&] { return aborted.load(); });
    auto outcome = std::async(std::launch::async, [&]() -> wxString {
        try {
            client.getTermsOfService();
        } catch (const Quorvel::AbortException& e) {
            return e.getMessage();
        }
        return "no abort";
    });
    ASSERT_TRUE(server.waitForRequests(1));
    aborted = true;
    // Without the check the call would wait out its two-minute time-out.
    ASSERT_EQ(outcome.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    EXPECT_EQ(outcome.get(), "The request to the server was cancelled");

    // The next call of the same client is not aborted by what the last one met.
    aborted = false;
    server.enqueue(soapReply("<portal:getTermsOfServiceResponse><serviceterms>Terms</serviceterms>"
                             "</portal:getTermsOfServiceResponse>"));
    EXPECT_EQ(client.getTermsOfService(), "Terms");
}

TEST_F(GSoapClientTest, CancelOfAServiceTaskReachesItsStalledCall)
{
    enqueueStalled();
    auto client = Quorvel::makeRef<CountedTermsClient>(settings);
    client->setAddress(serverAddress());
    auto task = Quorvel::makeRef<TermsTask>(client);
    Quorvel::TaskRunnerThread runner;
    runner.addTask(task, nullptr);
    ASSERT_TRUE(server.waitForRequests(1));
    EXPECT_FALSE(task->ended);
    runner.abortCurrent();
    const auto began = std::chrono::steady_clock::now();
    runner.waitUntilStopped();
    EXPECT_TRUE(task->ended);
    // A generous bound: a call that missed the abort would hold the runner for two minutes.
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
}

TEST_F(GSoapClientTest, InterruptEndsAStalledCallAtOnceAndEveryLaterOne)
{
    enqueueStalled();
    TermsClient client(settings);
    client.setAddress(serverAddress());
    // The runtime's own time-out (two minutes) stays: only the interrupt can end the wait.
    bool aborted = false;
    std::thread caller([&] {
        try {
            client.getTermsOfService();
        } catch (const Quorvel::AbortException&) {
            aborted = true;
        }
    });
    ASSERT_TRUE(server.waitForRequests(1));
    const auto start = std::chrono::steady_clock::now();
    client.interrupt();
    caller.join();
    EXPECT_TRUE(aborted);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

    // Nothing more goes out.
    EXPECT_THROW(client.getTermsOfService(), Quorvel::AbortException);
    EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(GSoapClientTest, ProxyRefusingAuthorizationIsProxyAuthorization)
{
    useProxy(server.port());
    server.enqueue(Response::status(407, "Proxy Authentication Required"));
    server.enqueue(Response::status(403, "Forbidden"));
    TermsClient client(settings);
    client.setAddress({"portal.example", 80, "", ""});

    const Failure failure = failureOf([&] { client.getTermsOfService(); });
    EXPECT_EQ(failure.code, "Network.ProxyAuthorization");
    EXPECT_EQ(failure.message, "Proxy authorization failed (wrong username and passord, perhaps?");
    EXPECT_EQ(server.lastRequest().requestLine().substr(0, 52),
              "POST http://portal.example:80/service/portal/3.0/ HT");

    const Failure forbidden = failureOf([&] { client.getTermsOfService(); });
    EXPECT_EQ(forbidden.code, "Network.ProxyAuthorization");
    EXPECT_EQ(forbidden.message, "Your proxy server did not authorize the HTTP request");
}

TEST_F(GSoapClientTest, OverlongCredentialsAreRefusedNotCut)
{
    TermsClient client(settings);
    client.setAddress(serverAddress("anna", wxString('p', 256)));
    try {
        client.getTermsOfService();
        FAIL() << "nothing thrown";
    } catch (const Quorvel::ServiceException& e) {
        EXPECT_EQ(e.getCode(), "Soap.CredentialsTooLong");
    }
    EXPECT_TRUE(server.requests().empty());

    server.enqueue(soapReply("<portal:getTermsOfServiceResponse><serviceterms>ok</serviceterms>"
                             "</portal:getTermsOfServiceResponse>"));
    client.setAddress(serverAddress("anna", wxString('p', 255)));
    EXPECT_EQ(client.getTermsOfService(), "ok");
}

TEST_F(GSoapClientTest, BrokenRepliesFailWithTheRuntimesCode)
{
    Response truncated =
        soapReply("<portal:getTermsOfServiceResponse><serviceterms>Be kind</serviceterms>"
                  "</portal:getTermsOfServiceResponse>");
    truncated.cutAfter = truncated.head.size() + truncated.body.size() / 2;
    const Failure cut = failureFrom(truncated);
    EXPECT_TRUE(cut.code.StartsWith("Soap.UnknownError")) << cut.code;
    EXPECT_TRUE(cut.message.StartsWith("gSOAP error code [")) << cut.message;

    const Failure html =
        failureFrom(Response::ok("<html><body>Hello</body></html>", "Content-Type: text/html\r\n"));
    EXPECT_EQ(html.code, "Soap.UnknownError");
}

TEST_F(GSoapClientTest, CompressedRepliesOnlyWhenAskedAndInflatedWithinTheLimit)
{
    const std::string termsStart = "<portal:getTermsOfServiceResponse><serviceterms>";
    const std::string termsEnd = "</serviceterms></portal:getTermsOfServiceResponse>";
    TermsClient client(settings);
    client.setAddress(serverAddress());

    // Unasked: not offered, and refused when it comes all the same.
    server.enqueue(gzipReply(termsStart, "Be kind", 1, termsEnd));
    const Failure unasked = failureOf([&] { client.getTermsOfService(); });
    EXPECT_EQ(unasked.code, "Soap.UnknownError");
    EXPECT_TRUE(unasked.message.Contains("compressed")) << unasked.message;
    EXPECT_FALSE(server.lastRequest().hasHeader("Accept-Encoding"));

    server.enqueue(gzipReply(termsStart, "Be kind", 1, termsEnd));
    EXPECT_EQ(client.getTermsOfService(true), "Be kind");
    EXPECT_TRUE(server.lastRequest().header("Accept-Encoding").find("gzip") != std::string::npos);

    // 256 MiB of text in one string, sent as a few hundred kilobytes.
    server.enqueue(gzipReply(termsStart, std::string(1024 * 1024, 'a'), 256, termsEnd));
    // Many strings, each within the string limit, together past the message limit.
    server.enqueue(gzipReply("<portal:getHtmlNewsResponse><htmlnews>n</htmlnews><resources "
                             "SOAP-ENC:arrayType=\"xsd:string[256]\">",
                             "<item>" + std::string(1024 * 1024, 'r') + "</item>", 256,
                             "</resources></portal:getHtmlNewsResponse>"));
    resetPeakMemory();
    const int64_t before = peakMemory();
    const auto started = std::chrono::steady_clock::now();
    const Failure inflated = failureOf([&] { client.getTermsOfService(true); });
    const int64_t growth = peakMemory() - before;
    const Failure many = failureOf([&] { client.getHtmlNewsSize(true); });
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(inflated.code, "Soap.UnknownError");
    EXPECT_TRUE(inflated.message.StartsWith("gSOAP error code [")) << inflated.message;
    EXPECT_LT(growth, static_cast<int64_t>(Quorvel::SoapLimits::MESSAGE_BYTES));
    EXPECT_EQ(many.code, "Soap.UnknownError");

    // The client goes on as before.
    server.enqueue(soapReply(termsStart + "still here" + termsEnd));
    EXPECT_EQ(client.getTermsOfService(), "still here");
}

TEST_F(GSoapClientTest, PlainRepliesAreBoundedAtTheLimits)
{
    using namespace Quorvel::SoapLimits;
    TermsClient client(settings);
    client.setAddress(serverAddress());
    // Strings of 1 MiB filling a reply to `total` bytes with its envelope.
    auto newsOf = [](size_t total) {
        const std::string empty = newsReply("", {});
        size_t left = total - ENVELOPE_START.size() - ENVELOPE_END.size() - empty.size();
        std::vector<std::string> resources;
        while (left > 13) {
            const size_t size = std::min<size_t>(left - 13, 1024 * 1024);
            resources.emplace_back(size, 'r');
            left -= size + 13; // <item></item>
        }
        return soapReply(newsReply("", resources));
    };
    server.enqueue(newsOf(MESSAGE_BYTES - 1000));
    EXPECT_GT(client.getHtmlNewsSize(), MESSAGE_BYTES - 2 * 1024 * 1024);
    server.enqueue(newsOf(MESSAGE_BYTES + 1000));
    EXPECT_EQ(failureOf([&] { client.getHtmlNewsSize(); }).code, "Soap.UnknownError");

    server.enqueue(soapReply(newsReply(std::string(STRING_BYTES, 'n'), {})));
    EXPECT_EQ(client.getHtmlNewsSize(), static_cast<size_t>(STRING_BYTES));
    server.enqueue(soapReply(newsReply(std::string(STRING_BYTES + 1, 'n'), {})));
    EXPECT_EQ(failureOf([&] { client.getHtmlNewsSize(); }).code, "Soap.UnknownError");
}

TEST_F(GSoapClientTest, OnlyNamedOperationsGetRoomForABase64Picture)
{
    using namespace Quorvel::SoapLimits;
    EXPECT_EQ(messageBytesFor("getRegistrationToken"), PAYLOAD_MESSAGE_BYTES);
    EXPECT_EQ(messageBytesFor("getHtmlNews"), MESSAGE_BYTES);
    EXPECT_EQ(messageBytesFor(""), MESSAGE_BYTES);
    EXPECT_EQ(stringBytesFor("getHtmlNews"), STRING_BYTES);

    // A picture of 15 MiB is 20 MiB of base64.
    const std::string picture((MESSAGE_BYTES + 4 * 1024 * 1024) / 4 * 4, 'Q');
    const std::string reply = "<portal:getRegistrationTokenResponse><tokenid>t</tokenid>"
                              "<tokenimage>" +
                              picture + "</tokenimage></portal:getRegistrationTokenResponse>";
    TermsClient client(settings);
    client.setAddress(serverAddress());
    server.enqueue(soapReply(reply));
    EXPECT_EQ(client.getTokenImageSize("getRegistrationToken"),
              static_cast<int>(picture.size() / 4 * 3));
    server.enqueue(soapReply(reply));
    EXPECT_EQ(failureOf([&] { client.getTokenImageSize("getTermsOfService"); }).code,
              "Soap.UnknownError");
}

TEST_F(GSoapClientTest, TlsTrustsOnlyTheGivenAuthorityForTheRightHost)
{
    const std::string terms =
        "<portal:getTermsOfServiceResponse><serviceterms>Be kind</serviceterms>"
        "</portal:getTermsOfServiceResponse>";
    LoopbackHttpServer secure(TEST_CA_DIR "/server.pem");
    secure.enqueue(soapReply(terms));
    EXPECT_EQ(
        SecureTermsClient(settings, secure.port(), TEST_CA_DIR "/cacert.pem").getTermsOfService(),
        "Be kind");

    // Another authority, and the right authority's certificate for another host.
    LoopbackHttpServer wrongHost(TEST_CA_DIR "/otherhost.pem");
    const std::pair<int, const char*> refused[] = {
        {secure.port(), TEST_CA_DIR "/other-cacert.pem"},
        {wrongHost.port(), TEST_CA_DIR "/cacert.pem"},
    };
    for (const auto& [port, caFile] : refused) {
        SecureTermsClient client(settings, port, caFile);
        const Failure failure = failureOf([&] { client.getTermsOfService(); });
        EXPECT_EQ(failure.code, "Security.Certificate") << caFile << " " << failure.message;
        EXPECT_TRUE(failure.message.StartsWith(
            "Server certificate was not accepted for security reasons: "))
            << failure.message;
    }
    // Only the trusted call was sent (a refused peer may still see the handshake end).
    EXPECT_EQ(secure.wholeRequests() + wrongHost.wholeRequests(), 1u);

    // A required file that is missing or holds no certificate fails set-up; the system's
    // authorities never stand in.
    dir.writeFile("empty.pem", "not a certificate\n");
    for (const wxString& caFile : {dir / "missing.pem", dir / "empty.pem"}) {
        try {
            SecureTermsClient client(settings, secure.port(), caFile);
            ADD_FAILURE() << caFile;
        } catch (const Quorvel::RuntimeException& e) {
            EXPECT_EQ(e.getMessage(), "Could not setup SSL for payment client");
        }
    }
}

// Keeping connections: an HTTP/1.1 reply that leaves the connection open.
namespace {

Response kept(Response response, bool staysOpen = true)
{
    response.head.replace(0, 8, "HTTP/1.1");
    response.keepOpen = staysOpen;
    return response;
}

const std::string TERMS = "<portal:getTermsOfServiceResponse><serviceterms>x</serviceterms>"
                          "</portal:getTermsOfServiceResponse>";

} // namespace

TEST_F(GSoapClientTest, CallsOfAClientShareOneKeptConnection)
{
    TermsClient client(settings);
    client.setAddress(serverAddress());
    for (int i = 0; i < 3; ++i)
        server.enqueue(kept(soapReply(TERMS)));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(client.getTermsOfService(), "x");
    EXPECT_EQ(server.connections(), 1);
    EXPECT_EQ(server.lastRequest().header("Connection"), "keep-alive");
}

TEST_F(GSoapClientTest, KeptConnectionIsLeftAfterAFailedCallOrOnceTheServerClosedIt)
{
    // Letters that do not compress, so most of the refused reply is still unread.
    std::string noise(1000, 'a');
    unsigned seed = 1;
    for (char& c : noise)
        c = static_cast<char>('a' + (seed = seed * 1103515245 + 12345) % 26);
    server.enqueue(kept(gzipReply("<portal:getTermsOfServiceResponse><serviceterms>", noise, 200,
                                  "</serviceterms></portal:getTermsOfServiceResponse>")));
    server.enqueue(kept(soapReply(TERMS)));
    server.enqueue(kept(soapReply(TERMS), false));
    server.enqueue(soapReply(TERMS));
    TermsClient client(settings);
    client.setAddress(serverAddress());
    EXPECT_EQ(failureOf([&] { client.getTermsOfService(); }).code, "Soap.UnknownError");
    EXPECT_EQ(client.getTermsOfService(), "x");
    EXPECT_EQ(client.getTermsOfService(), "x");
    ASSERT_TRUE(server.waitForClosedConnections(2));
    EXPECT_EQ(client.getTermsOfService(), "x");
    EXPECT_EQ(server.connections(), 3);
}
