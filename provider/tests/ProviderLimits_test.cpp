#include "ProviderTestFixture.h"

#include <zlib.h>

#include "service/SoapLimits.h"

namespace {

namespace Limits = Quorvel::SoapLimits;

const std::string TOO_LARGE = "SoapClient.TooLarge: The request is larger than this provider "
                              "accepts (16777216 bytes in all, 4194304 bytes for one text) (via "
                              "proxy)";

// A getPortalInformation request whose envelope carries `padding` bytes in an element the
// operation does not know (skipped by the reader, but counted).
std::string paddedRequest(size_t padding)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>"
           "<SOAP-ENV:Envelope xmlns:SOAP-ENV=\"http://schemas.xmlsoap.org/soap/envelope/\" "
           "xmlns:portal=\"http://vistrelle.net/service/portal/3.0\"><SOAP-ENV:Body>"
           "<portal:getPortalInformation><portalid>demo</portalid><language>en</language>"
           "<padding>" +
           std::string(padding, 'a') +
           "</padding></portal:getPortalInformation></SOAP-ENV:Body></SOAP-ENV:Envelope>";
}

std::string gzipped(const std::string& data)
{
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY), Z_OK);
    std::string out(deflateBound(&stream, data.size()), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

std::string post(int port, const std::string& body, const std::string& extraHeaders,
                 size_t declaredLength)
{
    RawConnection connection(port);
    connection.send("POST /service/portal/3.0/ HTTP/1.0\r\nHost: demo.portal.vistrelle.net\r\n"
                    "Content-Type: text/xml; charset=utf-8\r\nSOAPAction: \"\"\r\n" +
                    extraHeaders + "Content-Length: " + std::to_string(declaredLength) +
                    "\r\n\r\n" + body);
    return connection.receiveAll();
}

} // namespace

TEST_F(ProviderServerTest, RequestsOverTheMessageLimitGetAFaultAndOthersGoOn)
{
    // Small on the wire, past the limit once inflated.
    const std::string bomb = gzipped(paddedRequest(Limits::MESSAGE_BYTES + 1024 * 1024));
    EXPECT_LT(bomb.size(), 100000u);
    std::string answer = post(server->port(), bomb, "Content-Encoding: gzip\r\n", bomb.size());
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 500") << answer.substr(0, 300);
    EXPECT_NE(answer.find("<faultcode>SOAP-ENV:Client.TooLarge</faultcode>"), std::string::npos)
        << answer.substr(0, 600);
    EXPECT_EQ(listing(), "All shops");

    // A compressed request within the limit is read as any other.
    const std::string fine = gzipped(paddedRequest(1024 * 1024));
    answer = post(server->port(), fine, "Content-Encoding: gzip\r\n", fine.size());
    EXPECT_EQ(answer.substr(0, 12), "HTTP/1.1 200") << answer.substr(0, 600);
    EXPECT_NE(answer.find("<name>Demo Photo</name>"), std::string::npos);

    // Refused by its declared length before a byte of it is read.
    answer = post(server->port(), "<?xml", "", Limits::MESSAGE_BYTES + 1);
    EXPECT_NE(answer.find("SOAP-ENV:Client.TooLarge"), std::string::npos) << answer;
    // A plain one that only turns out too long while it is read.
    const std::string plain = paddedRequest(Limits::MESSAGE_BYTES);
    answer = post(server->port(), plain, "", plain.size());
    EXPECT_NE(answer.find("SOAP-ENV:Client.TooLarge"), std::string::npos) << answer.substr(0, 600);
    EXPECT_EQ(listing(), "All shops");
}

TEST_F(ProviderServerTest, TextsOverTheStringLimitGetAFault)
{
    auto client = portal();
    auto remind = [&](const std::string& email) {
        return codeOf([&] {
            Call call(*client);
            SoapPortal::portal__sendPasswordReminderResponse reply;
            call.check(SoapPortal::soap_call_portal__sendPasswordReminder(
                call.context(), call.endpoint(), "", "demo", email, reply));
        });
    };
    const size_t room = static_cast<size_t>(Limits::STRING_BYTES);
    EXPECT_EQ(remind(std::string(room - 1, 'x')),
              "SoapClient.UnknownAccount: No account with this e-mail address (via proxy)");
    EXPECT_EQ(remind(std::string(room + 1, 'x')), TOO_LARGE);
    EXPECT_EQ(remind("anna@example.com"), "nothing thrown");
}
