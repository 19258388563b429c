#include <gtest/gtest.h>

#include "HttpRequestHead.h"

using Provider::HttpRequestHead;

namespace {

std::optional<HttpRequestHead> parsed(const std::string& text)
{
    return HttpRequestHead::parse(text);
}

} // namespace

TEST(HttpRequestHead, ReadsRequestLineFieldsAndTheEndOfTheHead)
{
    const std::string data = "POST /service/portal/3.0/?x=1 HTTP/1.0\r\nhost: shop.example:8080\r\n"
                             "Content-Length: 12\r\nX-Empty:\r\n\r\nbody follows";
    const size_t end = HttpRequestHead::endOf(data);
    ASSERT_EQ(data.substr(end), "body follows");
    const auto head = parsed(data.substr(0, end));
    ASSERT_TRUE(head);
    EXPECT_EQ(head->method(), "POST");
    EXPECT_EQ(head->target(), "/service/portal/3.0/?x=1");
    EXPECT_EQ(head->path(), "/service/portal/3.0/");
    EXPECT_EQ(head->version(), "HTTP/1.0");
    EXPECT_EQ(head->field("HOST"), "shop.example:8080");
    EXPECT_EQ(head->field("x-empty"), "");
    EXPECT_FALSE(head->field("Accept"));
    EXPECT_EQ(head->contentLength(), 12u);
    EXPECT_EQ(head->origin("http"), "http://shop.example:8080");

    // Bare line feeds end lines too; the first blank line ends the head.
    EXPECT_EQ(HttpRequestHead::endOf("GET / HTTP/1.1\nHost: a\n\nrest\r\n\r\n"), 24u);
    EXPECT_EQ(HttpRequestHead::endOf("GET / HTTP/1.1\r\nHost: a\r\n"), std::string::npos);
}

TEST(HttpRequestHead, ProxyRequestsNameTheirOriginAndPath)
{
    const auto head = parsed("GET http://demo.portal.vistrelle.net/files/list.xml?v=2 HTTP/1.0\r\n"
                             "Host: other.example\r\n\r\n");
    ASSERT_TRUE(head);
    EXPECT_EQ(head->path(), "/files/list.xml");
    // The absolute address wins over the Host field, scheme included.
    EXPECT_EQ(head->origin("https"), "http://demo.portal.vistrelle.net");
    EXPECT_EQ(HttpRequestHead::hostOf(head->origin("http")), "demo.portal.vistrelle.net");

    const auto bare = parsed("GET https://[::1]:8443 HTTP/1.1\r\n\r\n");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->path(), "/");
    EXPECT_EQ(bare->origin("http"), "https://[::1]:8443");
    EXPECT_EQ(HttpRequestHead::hostOf(bare->origin("http")), "::1");

    // Nothing else than http and https is taken for a client's origin.
    EXPECT_EQ(parsed("GET ftp://a.example/x HTTP/1.0\r\n\r\n")->origin("http"), "");
}

TEST(HttpRequestHead, RefusesHeadsItCannotReadForCertain)
{
    for (const std::string text : {
             "GET / HTTP/1.1\r\nHost: a\r\n",                 // no blank line
             "\r\n",                                          // no request line
             "GET  / HTTP/1.1\r\n\r\n",                       // two blanks
             "GET / HTTP/1.1 extra\r\n\r\n",                  // a fourth part
             "GET / HTTP/2.0\r\n\r\n",                        // not HTTP/1.x
             "G(T / HTTP/1.1\r\n\r\n",                        // method no token
             "GET / HTTP/1.1\r\nBad Name: x\r\n\r\n",         // field name no token
             "GET / HTTP/1.1\r\nNo colon\r\n\r\n",            //
             "GET / HTTP/1.1\r\nX: a\x01b\r\n\r\n",           // control character
             "GET / HTTP/1.1\r\nContent-Length: -1\r\n\r\n",  //
             "GET / HTTP/1.1\r\nContent-Length: 1e3\r\n\r\n", //
             "GET / HTTP/1.1\r\nContent-Length: 99999999999999999999\r\n\r\n",
             "POST / HTTP/1.1\r\nContent-Length: 5\r\nContent-Length: 6\r\n\r\n",
             "GET / HTTP/1.1\r\n\r\nGET / HTTP/1.1\r\n\r\n", // more than one head
         })
        EXPECT_FALSE(parsed(text)) << text;
    // The same length twice is one length.
    EXPECT_EQ(parsed("POST / HTTP/1.1\r\nContent-Length: 5\r\ncontent-length: 5\r\n\r\n")
                  ->contentLength(),
              5u);

    std::string many = "GET / HTTP/1.1\r\n";
    for (size_t i = 0; i < HttpRequestHead::MAX_FIELDS; ++i)
        many += "X-" + std::to_string(i) + ": y\r\n";
    EXPECT_TRUE(parsed(many + "\r\n"));
    EXPECT_FALSE(parsed(many + "X-One-Too-Many: y\r\n\r\n"));

    std::string huge = "GET / HTTP/1.1\r\nX: ";
    huge += std::string(HttpRequestHead::MAX_BYTES, 'a') + "\r\n\r\n";
    EXPECT_FALSE(parsed(huge));
}

TEST(HttpRequestHead, OriginTakesOnlyAPlainHostAndPort)
{
    auto originWithHost = [](const std::string& host) {
        const auto head = parsed("GET / HTTP/1.1\r\nHost: " + host + "\r\n\r\n");
        return head ? head->origin("http") : std::string("unparsed");
    };
    EXPECT_EQ(originWithHost("127.0.0.1:1"), "http://127.0.0.1:1");
    EXPECT_EQ(originWithHost("a-b.example:65535"), "http://a-b.example:65535");
    EXPECT_EQ(originWithHost("[2001:db8::1]"), "http://[2001:db8::1]");
    // Whatever would change the addresses handed out is refused.
    for (const std::string hostile :
         {"evil.example/path", "user@evil.example", "evil.example:0", "evil.example:65536",
          "evil.example:", "evil.example:80x", "[::1", "[::1]x", "-lead.example", ".example", "a b",
          "a%2fb", "", "evil.example?q"})
        EXPECT_EQ(originWithHost(hostile), "") << hostile;
    // No Host at all: no origin to hand out.
    EXPECT_EQ(parsed("GET / HTTP/1.0\r\n\r\n")->origin("http"), "");
}

TEST(HttpRequestHead, BasicCredentialsAreDecodedStrictly)
{
    auto credentialsOf = [](const std::string& value) {
        return parsed("GET / HTTP/1.0\r\nAuthorization: " + value + "\r\n\r\n")->basicCredentials();
    };
    // "SESSIONID:abc:def" - the password keeps its colon.
    const auto session = credentialsOf("Basic U0VTU0lPTklEOmFiYzpkZWY=");
    ASSERT_TRUE(session);
    EXPECT_EQ(session->user, "SESSIONID");
    EXPECT_EQ(session->password, "abc:def");
    // "a:" and ":" - empty parts are kept as such; the scheme's letter case does not matter.
    EXPECT_EQ(credentialsOf("basic YTo=")->user, "a");
    EXPECT_EQ(credentialsOf("Basic YTo=")->password, "");
    EXPECT_EQ(credentialsOf("Basic Og==")->user, "");

    for (const std::string broken : {"Basic YWJj", "Basic YTo", "Basic YT=6",
                                     "Basic Y*o=", "Basic ", "Digest YTo=", "Basic YTo=YTo="})
        EXPECT_FALSE(credentialsOf(broken)) << broken;
    EXPECT_FALSE(parsed("GET / HTTP/1.0\r\n\r\n")->basicCredentials());
}

TEST(HttpRequestHead, DecodedPathRefusesBrokenEscapesAndZeroBytes)
{
    auto decoded = [](const std::string& target) {
        return parsed("GET " + target + " HTTP/1.0\r\n\r\n")->decodedPath();
    };
    EXPECT_EQ(decoded("/files/a%231.jpg"), "/files/a#1.jpg");
    EXPECT_EQ(decoded("/files/%2e%2E/x"), "/files/../x");
    EXPECT_EQ(decoded("/a%20b"), "/a b");
    for (const std::string broken : {"/a%00b", "/a%2", "/a%", "/a%zz"})
        EXPECT_FALSE(decoded(broken)) << broken;
}

TEST(HttpRequestHead, QueryValuesAreFormDecoded)
{
    auto value = [](const std::string& target, const char* name) {
        return parsed("GET " + target + " HTTP/1.0\r\n\r\n")->queryValue(name);
    };
    EXPECT_EQ(value("/go/x?email=a%40b.example", "email"), "a@b.example");
    EXPECT_EQ(value("/go/x?a=1&email=an+na&email=second", "email"), "an na");
    EXPECT_EQ(value("http://h.example/go/x?e%6dail=y#email=z", "email"), "y");
    EXPECT_EQ(value("/go/x?email", "email"), "");
    EXPECT_EQ(value("/go/x?email=a#frag", "email"), "a");
    // The path's own text is no query.
    EXPECT_FALSE(value("/go/email=x", "email"));
    EXPECT_FALSE(value("/go/x?emails=x&mail=y", "email"));
    EXPECT_FALSE(value("/go/x?a=1#email=z", "email"));
    for (const std::string broken : {"/go/x?email=a%00b", "/go/x?email=%2", "/go/x?email=%zz"})
        EXPECT_FALSE(value(broken, "email")) << broken;
}
