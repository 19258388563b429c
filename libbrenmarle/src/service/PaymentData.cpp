#include "service/PaymentData.h"

#include <algorithm>
#include <cctype>

namespace Brenmarle {

namespace {

const char* const HEX = "0123456789ABCDEF";

std::string encode(const std::string& text)
{
    std::string out;
    for (unsigned char c : text) {
        if (std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(HEX[c >> 4]);
            out.push_back(HEX[c & 15]);
        }
    }
    return out;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

std::optional<std::string> decode(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        const int high = i + 1 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = i + 2 < text.size() ? hexValue(text[i + 2]) : -1;
        if (high < 0 || low < 0)
            return std::nullopt;
        out.push_back(static_cast<char>(high * 16 + low));
        i += 2;
    }
    return out;
}

bool allDigits(const std::string& text)
{
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c); });
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

} // namespace

std::vector<std::string> PaymentData::requiredFields(const std::string& requiredData)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= requiredData.size()) {
        const auto comma = requiredData.find(',', start);
        const std::string name = trimmed(requiredData.substr(
            start, comma == std::string::npos ? std::string::npos : comma - start));
        if (!name.empty())
            names.push_back(name);
        if (comma == std::string::npos)
            break;
        start = comma + 1;
    }
    return names;
}

std::string PaymentData::get(const std::string& name) const
{
    const auto found = m_fields.find(name);
    return found == m_fields.end() ? std::string() : found->second;
}

std::string PaymentData::toText() const
{
    std::string text;
    for (const auto& [name, value] : m_fields) {
        if (!text.empty())
            text.push_back('&');
        text += encode(name) + "=" + encode(value);
    }
    return text;
}

std::optional<PaymentData> PaymentData::fromText(const std::string& text)
{
    if (text.size() > MAX_TEXT)
        return std::nullopt;
    PaymentData data;
    size_t start = 0;
    while (start < text.size()) {
        const auto amp = text.find('&', start);
        const std::string field =
            text.substr(start, amp == std::string::npos ? std::string::npos : amp - start);
        const auto equals = field.find('=');
        if (equals == std::string::npos || equals == 0)
            return std::nullopt;
        const auto name = decode(field.substr(0, equals));
        const auto value = decode(field.substr(equals + 1));
        if (!name || !value || data.has(*name))
            return std::nullopt;
        data.set(*name, *value);
        if (amp == std::string::npos)
            break;
        start = amp + 1;
        if (start == text.size())
            return std::nullopt;
    }
    return data;
}

std::string PaymentData::digitsOf(const std::string& cardNumber)
{
    std::string digits;
    for (char c : cardNumber)
        if (c != ' ' && c != '-')
            digits.push_back(c);
    return digits;
}

bool PaymentData::isCardNumber(const std::string& digits)
{
    if (digits.size() < 12 || digits.size() > 19 || !allDigits(digits))
        return false;
    // Luhn: every second digit from the right doubled.
    int sum = 0;
    bool doubled = false;
    for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
        int digit = *it - '0';
        if (doubled && (digit *= 2) > 9)
            digit -= 9;
        sum += digit;
        doubled = !doubled;
    }
    return sum % 10 == 0;
}

bool PaymentData::isExpiry(const std::string& text)
{
    if (text.size() != 5 || text[2] != '/' || !allDigits(text.substr(0, 2)) ||
        !allDigits(text.substr(3)))
        return false;
    const int month = std::stoi(text.substr(0, 2));
    return month >= 1 && month <= 12;
}

bool PaymentData::isSecurityCode(const std::string& text)
{
    return (text.size() == 3 || text.size() == 4) && allDigits(text);
}

std::string PaymentData::problem(const std::string& type,
                                 const std::vector<std::string>& required) const
{
    for (const std::string& name : required)
        if (trimmed(get(name)).empty() && name != ADDRESS2)
            return "Missing " + name;
    if (type == CREDIT_CARD) {
        if (!isCardNumber(digitsOf(get(CARD_NUMBER))))
            return "Invalid card number";
        if (!isExpiry(get(EXPIRY)))
            return "Invalid expiry date";
        if (!isSecurityCode(get(SECURITY_CODE)))
            return "Invalid security code";
    }
    return std::string();
}

} // namespace Brenmarle
