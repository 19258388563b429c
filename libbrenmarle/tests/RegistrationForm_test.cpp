#include <gtest/gtest.h>

#include "service/RegistrationForm.h"

using Brenmarle::RegistrationForm;

TEST(RegistrationForm, NewAccountChecksComeInThePagesOrder)
{
    EXPECT_EQ(RegistrationForm::checkNewAccount("", "", "x", ""),
              "You must type your email address");
    EXPECT_EQ(RegistrationForm::checkNewAccount("  ", "pw", "pw", "AB"),
              "You must type your email address");
    EXPECT_EQ(RegistrationForm::checkNewAccount("a@b.c", "", "", ""), "You must choose a password");
    // Mismatched passwords stop the page before the letters are looked at.
    EXPECT_EQ(RegistrationForm::checkNewAccount("a@b.c", "secret", "Secret", ""),
              "Passwords do not match");
    EXPECT_EQ(RegistrationForm::checkNewAccount("a@b.c", "secret ", "secret", "AB"),
              "Passwords do not match");
    EXPECT_EQ(RegistrationForm::checkNewAccount("a@b.c", "secret", "secret", " "),
              "You must type in the letters shown on the image");
    EXPECT_EQ(RegistrationForm::checkNewAccount("a@b.c", " s ", " s ", "AB7KQ"), "");
}

TEST(RegistrationForm, LoginNeedsAnAddressAndAPassword)
{
    EXPECT_EQ(RegistrationForm::checkLogin("", "pw"), "You must type your email address");
    EXPECT_EQ(RegistrationForm::checkLogin("a@b.c", ""), "You must type your account password");
    EXPECT_EQ(RegistrationForm::checkLogin("a@b.c", " "), "");
}
