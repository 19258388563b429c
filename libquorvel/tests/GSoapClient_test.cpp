#include <gtest/gtest.h>

#include "LogCapture.h"
#include "LoopbackHttpServer.h"
#include "ScratchDir.h"
#include "SoapPortalH.h"
#include "service/GSoapClient.h"
#include "service/NetworkSettings.h"
#include "system/Exceptions.h"
#include "system/UserAgent.h"

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

// The smallest real client: one portal operation through the base's call sequence.
class TermsClient : public GSoapClient {
public:
    explicit TermsClient(Quorvel::NetworkSettings& settings)
        : GSoapClient("portal", "/service/portal/3.0/", settings)
    {
    }
    wxString getTermsOfService()
    {
        Call call(*this);
        SoapPortal::portal__getTermsOfServiceResponse reply;
        call.check(SoapPortal::soap_call_portal__getTermsOfService(call.context(), call.endpoint(),
                                                                   "", reply));
        return wxString::FromUTF8(reply.serviceterms.c_str());
    }
};

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
