#include <gtest/gtest.h>

#include "system/BrowserLink.h"

using Quorvel::BrowserLink;

TEST(BrowserLink, OnlyWebAddressesOfAHostAreOpened)
{
    for (const char* url : {"http://demo.portal.vistrelle.net/go/passwordreminder",
                            "https://example.com/download?v=2.4.17", "http://127.0.0.1:8080/"})
        EXPECT_TRUE(BrowserLink::isOpenable(url)) << url;
    for (const char* url :
         {"", "file:///etc/passwd", "javascript:alert(1)", "ftp://example.com/", "example.com",
          "http://", "http://a b/", "http://example.com/\n--help", "-http://example.com/",
          "http://user@evil.example/", "http://example.com/ x"})
        EXPECT_FALSE(BrowserLink::isOpenable(url)) << url;
    // Refused before anything is started.
    EXPECT_FALSE(BrowserLink::open("file:///etc/passwd"));
}
