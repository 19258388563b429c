#pragma once
// The payer's details for one payment option, as the payment service's `clientdata` carries
// them: "name=value" fields joined by "&", names and values percent-encoded (UTF-8). The
// option's `requireddata` lists the names it needs, joined by ",". The same text is made by
// the program and read by the reference provider.
//
// Card details are checked before they leave the program (a card number of 12 to 19 digits
// passing the Luhn check, an expiry month "MM/YY", a security code of 3 or 4 digits), so a
// mistyped number is shown at once rather than after a round trip. The values are card data:
// they are never logged or written anywhere but into the request.
//
// A value; any thread.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace Brenmarle {

class PaymentData {
public:
    // Option types and their fields.
    static constexpr const char* CREDIT_CARD = "CREDITCARD";
    static constexpr const char* INVOICE = "INVOICE";
    static constexpr const char* CARD_HOLDER = "cardholder";
    static constexpr const char* CARD_NUMBER = "cardnumber";
    static constexpr const char* EXPIRY = "expiry";
    static constexpr const char* SECURITY_CODE = "cvc";
    static constexpr const char* NAME = "name";
    static constexpr const char* ADDRESS1 = "address1";
    static constexpr const char* ADDRESS2 = "address2";
    static constexpr const char* POSTAL_CODE = "postalcode";
    static constexpr const char* CITY = "city";
    // A longer clientdata text is refused unread.
    static constexpr size_t MAX_TEXT = 4096;

    // The field names of a `requireddata` text, blanks trimmed, empty names dropped.
    static std::vector<std::string> requiredFields(const std::string& requiredData);

    void set(const std::string& name, const std::string& value) { m_fields[name] = value; }
    // Empty when the field is absent.
    std::string get(const std::string& name) const;
    bool has(const std::string& name) const { return m_fields.count(name) != 0; }

    std::string toText() const;
    // Nothing for a text that is too long, badly encoded or names a field twice.
    static std::optional<PaymentData> fromText(const std::string& text);

    // What is wrong with the details for an option of `type` needing `required`; empty when
    // nothing is. The text names the field, never its value.
    std::string problem(const std::string& type, const std::vector<std::string>& required) const;

    static bool isCardNumber(const std::string& digits);
    static bool isExpiry(const std::string& text);
    static bool isSecurityCode(const std::string& text);
    // The card number with blanks and hyphens taken out.
    static std::string digitsOf(const std::string& cardNumber);

private:
    std::map<std::string, std::string> m_fields;
};

} // namespace Brenmarle
