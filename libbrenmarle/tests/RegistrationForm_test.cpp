#include <gtest/gtest.h>

#include "service/RegistrationForm.h"

using Brenmarle::RegistrationForm;
using Problem = RegistrationForm::Problem;

namespace {

// "field: message", so a failure shows both.
std::string describe(const Problem& problem)
{
    static const char* const names[] = {"none", "email", "password", "reentered", "letters"};
    return std::string(names[problem.field]) + ": " + std::string(problem.message.utf8_str());
}

} // namespace

TEST(RegistrationForm, NewAccountChecksComeInThePagesOrderEachWithItsField)
{
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("", "", "x", "")),
              "email: You must type your email address");
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("  ", "pw", "pw", "AB")),
              "email: You must type your email address");
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("a@b.c", "", "", "")),
              "password: You must choose a password");
    // An empty first password is the first field's problem even when the repetition differs.
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("a@b.c", "", "x", "AB")),
              "password: You must choose a password");
    // Mismatched passwords stop the page before the letters are looked at, and belong to the
    // repetition, which is what the user types again.
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("a@b.c", "secret", "Secret", "")),
              "reentered: Passwords do not match");
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("a@b.c", "secret ", "secret", "AB")),
              "reentered: Passwords do not match");
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("a@b.c", "secret", "", "AB")),
              "reentered: Passwords do not match");
    EXPECT_EQ(describe(RegistrationForm::checkNewAccount("a@b.c", "secret", "secret", " ")),
              "letters: You must type in the letters shown on the image");
    const Problem none = RegistrationForm::checkNewAccount("a@b.c", " s ", " s ", "AB7KQ");
    EXPECT_FALSE(none.exists());
    EXPECT_EQ(describe(none), "none: ");
}

TEST(RegistrationForm, LoginNeedsAnAddressAndAPasswordEachAtItsField)
{
    EXPECT_EQ(describe(RegistrationForm::checkLogin("", "")),
              "email: You must type your email address");
    EXPECT_EQ(describe(RegistrationForm::checkLogin("\t", "pw")),
              "email: You must type your email address");
    EXPECT_EQ(describe(RegistrationForm::checkLogin("a@b.c", "")),
              "password: You must type your account password");
    // Blanks are a password like any other.
    EXPECT_FALSE(RegistrationForm::checkLogin("a@b.c", " ").exists());
}
