#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EmailAddress.h"

using Provider::EmailAddress;

namespace {

// An address of exactly the longest length allowed.
std::string longest()
{
    return "a@" + std::string(63, 'd') + "." + std::string(63, 'd') + "." + std::string(63, 'd') +
           "." + std::string(60, 'd');
}

} // namespace

TEST(EmailAddress, TakesPlainAddresses)
{
    for (const std::string& address : std::vector<std::string>{
             "anna@example.com", "o'neil+prints@mail.example.co.uk", "a.b_c-d@x-1.example",
             std::string(64, 'l') + "@example.com", longest()})
        EXPECT_TRUE(EmailAddress::isWellFormed(address)) << address;
}

TEST(EmailAddress, RefusesWhatIsNoAddressOrWouldNeedQuoting)
{
    const std::string longDomain = "a@" + std::string(63, 'd') + "." + std::string(63, 'd') + "." +
                                   std::string(63, 'd') + "." + std::string(61, 'd');
    ASSERT_GT(longDomain.size(), EmailAddress::MAX_LENGTH);
    for (const std::string& address :
         std::vector<std::string>{std::string(),
                                  "@example.com",
                                  "anna@",
                                  "anna",
                                  "anna@localhost",
                                  "anna@@example.com",
                                  "an@na@example.com",
                                  ".anna@example.com",
                                  "anna.@example.com",
                                  "an..na@example.com",
                                  "anna@example..com",
                                  "anna@example.com.",
                                  "anna@.example.com",
                                  "anna@-x.example",
                                  "anna@x-.example",
                                  "an na@example.com",
                                  "anna@exa mple.com",
                                  "anna\r\n@example.com",
                                  "<anna>@example.com",
                                  "anna@example.com\nBcc: x@example.com",
                                  "anna@ex_ample.com",
                                  std::string("an\0na@example.com", 17),
                                  std::string(65, 'l') + "@example.com",
                                  "anna@" + std::string(64, 'd') + ".com",
                                  longDomain,
                                  "\xc3\xa5se@example.com"})
        EXPECT_FALSE(EmailAddress::isWellFormed(address)) << address;
}
