#include <gtest/gtest.h>

#include "sharing/ShareRecipients.h"

using Brenmarle::ShareRecipients;

TEST(ShareRecipients, TypedRecipientsAreSplitAtCommasSemicolonsAndSpaces)
{
    EXPECT_EQ(ShareRecipients::split(" anna@example.com, bo@example.org;\n cy@example.net  "),
              (std::vector<wxString>{"anna@example.com", "bo@example.org", "cy@example.net"}));
    EXPECT_TRUE(ShareRecipients::split(" ,; \n").empty());
}

TEST(ShareRecipients, AddressesNeedADomainWithALetterEnding)
{
    for (const char* good : {"anna@example.com", "a.b+c@mail.example.co.uk", "x@y.io"})
        EXPECT_TRUE(ShareRecipients::isValidAddress(good)) << good;
    for (const char* bad : {"", "anna", "anna@example", "@example.com", "anna@@example.com",
                            "anna@example.c", "anna@example.c0m", "anna@.com"})
        EXPECT_FALSE(ShareRecipients::isValidAddress(bad)) << bad;
}

TEST(ShareRecipients, AddressesThatCouldSteerTheMailProgramAreRefused)
{
    for (const char* hostile :
         {"--attach=/etc/passwd@example.com", "-x@example.com", "anna@example.com?attach=x.com",
          "anna@example.com&cc=eve@evil.com", "mailto:anna@example.com", "anna@exa mple.com",
          "anna@example.com\n--attach@x.com", "a%0a@example.com", "<anna@example.com>",
          "\"eve\"@example.com", "anna@example.com#x.com", "a`id`@example.com"})
        EXPECT_FALSE(ShareRecipients::isValidAddress(hostile)) << hostile;
}

TEST(ShareRecipients, OneOrSeveralAddressesGetTheirOwnMessage)
{
    EXPECT_EQ(ShareRecipients::checkAddresses({"anna@example.com", "bo@example.org"}), "");
    EXPECT_EQ(ShareRecipients::checkAddresses({"anna@example"}),
              "You must type in a valid email address");
    EXPECT_EQ(ShareRecipients::checkAddresses({}), "You must type in a valid email address");
    // One of two has no dot in its domain.
    EXPECT_EQ(ShareRecipients::checkAddresses({"anna@example.com", "bo@example"}),
              "You must type in only valid email addresses");
}

TEST(ShareRecipients, PhoneNumbersHaveFiveDigitsOrMore)
{
    EXPECT_FALSE(ShareRecipients::isValidPhone("1234"));
    EXPECT_TRUE(ShareRecipients::isValidPhone("12345"));
    EXPECT_TRUE(ShareRecipients::isValidPhone("004712345678"));
    for (const char* bad : {"+4712345678", "12 345", "12345a", "", "１２３４５"})
        EXPECT_FALSE(ShareRecipients::isValidPhone(bad)) << bad;
    EXPECT_EQ(ShareRecipients::checkPhones({"1234"}), "You must type in a valid phone number");
    EXPECT_EQ(ShareRecipients::checkPhones({"12345", "1234"}),
              "You must type in only valid phone numbers");
    EXPECT_EQ(ShareRecipients::checkPhones({"12345", "98765"}), "");
}

TEST(ShareRecipients, MmsCostIsRecipientsTimesPicturesTimesPrice)
{
    EXPECT_DOUBLE_EQ(ShareRecipients::mmsCost(2, 2, 3.0), 12.0);
    EXPECT_EQ(ShareRecipients::mmsCostText(2, 2, "NOK", 3.0),
              "Sending 2 picture to 2 recipients will cost you NOK 12.00.");
    EXPECT_EQ(ShareRecipients::mmsCostText(1, 1, "EUR", 0.5),
              "Sending 1 picture to 1 recipient will cost you EUR 0.50.");
}
