#include <gtest/gtest.h>

#include "service/WebAddress.h"
#include "system/Exceptions.h"

using Quorvel::WebAddress;

TEST(WebAddress, TakesAnAddressApart)
{
    const WebAddress plain = WebAddress::parse("HTTP://Photos.Example.test/a/b.jpg?x=1");
    EXPECT_EQ(plain.getScheme(), "http");
    EXPECT_EQ(plain.getHost(), "Photos.Example.test");
    EXPECT_EQ(plain.getPort(), 80);
    EXPECT_EQ(plain.getDocument(), "/a/b.jpg?x=1");

    const WebAddress secure = WebAddress::parse("https://[fe80::1]:8443");
    EXPECT_EQ(secure.getHost(), "[fe80::1]");
    EXPECT_EQ(secure.getPort(), 8443);
    EXPECT_EQ(secure.getDocument(), "/");
    EXPECT_EQ(WebAddress::parse("https://127.0.0.1?q").getDocument(), "/?q");
    EXPECT_EQ(WebAddress::parse("https://127.0.0.1").getPort(), 443);
}

TEST(WebAddress, HostsAreNamesOrAddressesOnly)
{
    for (const char* host :
         {"localhost", "a-b.example.test", "x_1.test", "192.168.0.1", "[::1]", "[::ffff:10.0.0.1]"})
        EXPECT_TRUE(WebAddress::isValidHost(host)) << host;
    for (const char* host : {"", "a b", "a/b", "user@host", "host:80", "::1", "[::1", "[]", "[:g:]",
                             "-host", ".host", "ho\tst", "h\xC3\xB8st", "a%2Fb", "a\\b", "host#"})
        EXPECT_FALSE(WebAddress::isValidHost(wxString::FromUTF8(host))) << host;
    EXPECT_FALSE(WebAddress::isValidHost(wxString('a', 254)));
    EXPECT_TRUE(WebAddress::isValidHost(wxString('a', 253)));

    EXPECT_FALSE(WebAddress::isValidPort(0));
    EXPECT_TRUE(WebAddress::isValidPort(1));
    EXPECT_TRUE(WebAddress::isValidPort(65535));
    EXPECT_FALSE(WebAddress::isValidPort(65536));
    for (const char* url :
         {"http://host:0/", "http://host:65536/", "http://host:/", "http://host:8o/",
          "http://a@host/", "http://host/\r\nX: y", "ftp://host/", "host/path"})
        EXPECT_THROW(WebAddress::parse(url), Quorvel::NetworkException) << url;
}

TEST(WebAddress, SameOriginIsSchemeHostAndPort)
{
    const WebAddress service = WebAddress::parse("http://Storage.Example.test:8080/service/");
    EXPECT_TRUE(service.isSameOrigin(WebAddress::parse("http://storage.example.test:8080/up")));
    for (const char* other :
         {"https://storage.example.test:8080/up", "http://storage.example.test/up",
          "http://storage.example.test.evil.test:8080/up", "http://127.0.0.1:8080/up"})
        EXPECT_FALSE(service.isSameOrigin(WebAddress::parse(other))) << other;
}
