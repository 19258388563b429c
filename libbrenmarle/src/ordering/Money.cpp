#include "ordering/Money.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "util/XMLNode.h"

namespace Brenmarle {

namespace {

constexpr int64_t MAX_UNITS = Money::MAX_WHOLE * Money::UNITS_PER_WHOLE;
constexpr int DECIMALS = 6;

[[noreturn]] void outOfRange()
{
    throw AmountOutOfRangeException("Amount out of range");
}

int64_t powerOfTen(int exponent)
{
    int64_t result = 1;
    for (int i = 0; i < exponent; ++i)
        result *= 10;
    return result;
}

// Plain decimal text, the form documents carry: digits, at most one point, a sign in front.
// Exact, without a detour through binary floating point.
std::optional<int64_t> parsePlainDecimal(const std::string& text)
{
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == '-' || text[at] == '+'))
        negative = text[at++] == '-';
    int64_t whole = 0;
    int64_t fraction = 0;
    int fractionDigits = 0;
    bool roundUp = false;
    bool anyDigit = false;
    bool point = false;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        anyDigit = true;
        const int digit = c - '0';
        if (!point) {
            whole = whole * 10 + digit;
            if (whole > Money::MAX_WHOLE)
                return std::nullopt;
        } else if (fractionDigits < DECIMALS) {
            fraction = fraction * 10 + digit;
            ++fractionDigits;
        } else if (fractionDigits++ == DECIMALS) {
            roundUp = digit >= 5;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    if (fractionDigits < DECIMALS)
        fraction *= powerOfTen(DECIMALS - fractionDigits);
    int64_t units = whole * Money::UNITS_PER_WHOLE + fraction + (roundUp ? 1 : 0);
    if (units > MAX_UNITS)
        return std::nullopt;
    return negative ? -units : units;
}

} // namespace

Money Money::read(const Quorvel::XMLNode& element)
{
    return parse(element.utf8Text()).value_or(Money());
}

void Money::write(const Quorvel::XMLNode& parent, const char* name) const
{
    parent.addText(name, wxString::FromUTF8(toString()));
}

Money Money::checked(int64_t units)
{
    if (units > MAX_UNITS || units < -MAX_UNITS)
        outOfRange();
    return Money(units);
}

Money Money::fromWhole(int64_t whole)
{
    if (whole > MAX_WHOLE || whole < -MAX_WHOLE)
        outOfRange();
    return Money(whole * UNITS_PER_WHOLE);
}

std::optional<Money> Money::fromScaled(long double units)
{
    if (!std::isfinite(units) || std::fabs(units) > static_cast<long double>(MAX_UNITS))
        return std::nullopt;
    return Money(std::llround(units));
}

std::optional<Money> Money::fromDouble(double value)
{
    return fromScaled(static_cast<long double>(value) * UNITS_PER_WHOLE);
}

std::optional<Money> Money::parse(const std::string& text)
{
    if (const std::optional<int64_t> units = parsePlainDecimal(text))
        return Money(*units);
    // Other forms a number may take ("1e3"): through the C-locale reading of doubles.
    if (text.empty() || text.find_first_of("eE") == std::string::npos)
        return std::nullopt;
    double value = 0;
    if (!Quorvel::XMLNode::toDouble(text, value))
        return std::nullopt;
    return fromDouble(value);
}

std::string Money::toString() const
{
    const bool negative = m_units < 0;
    const int64_t magnitude = negative ? -m_units : m_units;
    std::string text = std::to_string(magnitude / UNITS_PER_WHOLE);
    int64_t fraction = magnitude % UNITS_PER_WHOLE;
    if (fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, DECIMALS - digits.size(), '0');
        while (digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return negative ? "-" + text : text;
}

Money Money::roundedTo(int decimals) const
{
    if (decimals >= DECIMALS)
        return *this;
    const int64_t step = powerOfTen(DECIMALS - (decimals < 0 ? 0 : decimals));
    const int64_t magnitude = m_units < 0 ? -m_units : m_units;
    const int64_t rounded = (magnitude + step / 2) / step * step;
    return Money(m_units < 0 ? -rounded : rounded);
}

Money Money::operator+(Money other) const
{
    int64_t sum = 0;
    if (__builtin_add_overflow(m_units, other.m_units, &sum))
        outOfRange();
    return checked(sum);
}

Money Money::operator-(Money other) const
{
    int64_t difference = 0;
    if (__builtin_sub_overflow(m_units, other.m_units, &difference))
        outOfRange();
    return checked(difference);
}

Money Money::times(int64_t quantity) const
{
    int64_t product = 0;
    if (__builtin_mul_overflow(m_units, quantity, &product))
        outOfRange();
    return checked(product);
}

Money Money::percentOf(double percent) const
{
    const std::optional<Money> result =
        fromScaled(static_cast<long double>(m_units) * percent / 100.0L);
    if (!result)
        outOfRange();
    return *result;
}

Money Money::dividedBy(double divisor) const
{
    const std::optional<Money> result =
        divisor == 0 ? std::nullopt : fromScaled(static_cast<long double>(m_units) / divisor);
    if (!result)
        outOfRange();
    return *result;
}

} // namespace Brenmarle
