#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "service/PaymentData.h"

using Brenmarle::PaymentData;

TEST(PaymentData, HostileValuesRoundTripThroughTheText)
{
    PaymentData data;
    data.set("name", "Åse & Øyvind = \"50%\"");
    data.set("address1", "Storgata 1\nOslo");
    data.set("empty", "");
    const std::string text = data.toText();
    // Nothing of a value can start another field.
    EXPECT_EQ(text.find('\n'), std::string::npos);
    EXPECT_EQ(std::count(text.begin(), text.end(), '&'), 2);
    const auto back = PaymentData::fromText(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->get("name"), "Åse & Øyvind = \"50%\"");
    EXPECT_EQ(back->get("address1"), "Storgata 1\nOslo");
    EXPECT_TRUE(back->has("empty"));
    EXPECT_EQ(back->toText(), text);
    EXPECT_TRUE(PaymentData::fromText(""));
}

TEST(PaymentData, MalformedTextsAreRefused)
{
    for (const std::string text :
         {"a", "=x", "a=1&", "&a=1", "a=1&&b=2", "a=%G1", "a=%4", "a=%", "a=1&a=2"})
        EXPECT_FALSE(PaymentData::fromText(text)) << text;
    EXPECT_FALSE(PaymentData::fromText("a=" + std::string(PaymentData::MAX_TEXT, 'x')));
}

TEST(PaymentData, RequiredFieldsAreTrimmedAndEmptyOnesDropped)
{
    EXPECT_EQ(PaymentData::requiredFields(" cardholder, cardnumber ,,expiry,"),
              (std::vector<std::string>{"cardholder", "cardnumber", "expiry"}));
    EXPECT_TRUE(PaymentData::requiredFields("").empty());
}

TEST(PaymentData, CardDetailsAreCheckedAndProblemsNeverShowTheValue)
{
    EXPECT_TRUE(PaymentData::isCardNumber("4111111111111111"));
    EXPECT_TRUE(PaymentData::isCardNumber(PaymentData::digitsOf("4111 1111-1111 1111")));
    EXPECT_FALSE(PaymentData::isCardNumber("4111111111111112")); // Luhn
    EXPECT_FALSE(PaymentData::isCardNumber("41111111111"));      // too short
    EXPECT_FALSE(PaymentData::isCardNumber("4111111111111111x"));
    EXPECT_FALSE(PaymentData::isCardNumber(std::string(20, '0')));
    EXPECT_TRUE(PaymentData::isExpiry("01/30"));
    EXPECT_TRUE(PaymentData::isExpiry("12/30"));
    for (const char* expiry : {"00/30", "13/30", "1/30", "01-30", "01/3", "ab/cd"})
        EXPECT_FALSE(PaymentData::isExpiry(expiry)) << expiry;
    EXPECT_TRUE(PaymentData::isSecurityCode("123"));
    EXPECT_TRUE(PaymentData::isSecurityCode("1234"));
    EXPECT_FALSE(PaymentData::isSecurityCode("12"));
    EXPECT_FALSE(PaymentData::isSecurityCode("12a"));

    const auto required = PaymentData::requiredFields("cardholder,cardnumber,expiry,cvc");
    PaymentData card;
    card.set(PaymentData::CARD_HOLDER, "Anna Berg");
    card.set(PaymentData::CARD_NUMBER, "4111111111111112");
    card.set(PaymentData::EXPIRY, "12/30");
    card.set(PaymentData::SECURITY_CODE, "123");
    EXPECT_EQ(card.problem(PaymentData::CREDIT_CARD, required), "Invalid card number");
    card.set(PaymentData::CARD_NUMBER, "4111 1111 1111 1111");
    EXPECT_EQ(card.problem(PaymentData::CREDIT_CARD, required), "");
    card.set(PaymentData::CARD_HOLDER, "  ");
    EXPECT_EQ(card.problem(PaymentData::CREDIT_CARD, required), "Missing cardholder");

    // The second address line may stay empty; the others may not.
    PaymentData invoice;
    for (const char* field : {"name", "address1", "postalcode", "city"})
        invoice.set(field, "x");
    const auto invoiceFields =
        PaymentData::requiredFields("name,address1,address2,postalcode,city");
    EXPECT_EQ(invoice.problem(PaymentData::INVOICE, invoiceFields), "");
    invoice.set("city", "");
    EXPECT_EQ(invoice.problem(PaymentData::INVOICE, invoiceFields), "Missing city");
}
