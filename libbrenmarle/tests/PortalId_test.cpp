#include <gtest/gtest.h>

#include "service/PortalId.h"
#include "system/Exceptions.h"

using Brenmarle::PortalId;

TEST(PortalId, OnlyASingleDnsLabelNamesAPortal)
{
    for (const char* id : {"demo", "Fjord-Foto", "a", "x9", "0shop"})
        EXPECT_TRUE(PortalId::isValid(id)) << id;
    EXPECT_TRUE(PortalId::isValid(wxString('a', PortalId::MAX_LENGTH)));
    EXPECT_FALSE(PortalId::isValid(wxString('a', PortalId::MAX_LENGTH + 1)));
    for (const char* id : {"", "../x", "..", ".", "a.b", "a/b", "a\\b", "-a", "a-", "a b", "a_b",
                           "demo.evil.example", "a\n", "%2e%2e"})
        EXPECT_FALSE(PortalId::isValid(id)) << id;
    EXPECT_FALSE(PortalId::isValid(wxString::FromUTF8("bl\xc3\xa5")));
}

TEST(PortalId, HostIsTheIdUnderTheOperatorsPortalDomain)
{
    EXPECT_EQ(PortalId::hostOf("demo"), "demo.portal.vistrelle.net");
    try {
        PortalId::hostOf("../x");
        ADD_FAILURE() << "no exception";
    } catch (const Quorvel::ResponseException& e) {
        EXPECT_EQ(e.getCode(), "Server.InvalidPortal");
    }
}
