#pragma once
// An amount of money, held exactly as a whole number of millionths of the currency unit.
//
// Amounts are summed, multiplied by quantities and compared exactly: ten prints at 0.10 cost
// exactly 1.00, a price row of -1 ("no price") is recognised by equality, and a discount capped
// at the products total leaves exactly nothing rather than -0.0000000001 (which a
// floating-point sum would show as "-0.00"). Only percentages (discount, VAT) round, once, to
// the nearest millionth.
//
// Text forms are decimal in the C locale. Amounts are bounded by MAX_WHOLE currency units;
// arithmetic that would leave the range raises AmountOutOfRangeException ("Amount out of
// range"), AmountOutOfRangeException), so a hostile price list cannot wrap a sum around.
//
// A value type; any thread.

#include <cstdint>
#include <optional>
#include <string>

#include <wx/string.h>

#include "system/Exceptions.h"
#include "util/XMLNode.h"

namespace Brenmarle {

QUORVEL_DECLARE_EXCEPTION(AmountOutOfRangeException, Quorvel::RuntimeException,
                          "Application.AmountOutOfRange")

class Money {
public:
    static constexpr int64_t UNITS_PER_WHOLE = 1000000;
    static constexpr int64_t MAX_WHOLE = 1000000000000; // 10^12 currency units

    constexpr Money() = default;
    static constexpr Money fromUnits(int64_t units) { return Money(units); }
    static Money fromWhole(int64_t whole);
    // Rounded to the nearest millionth; nullopt for a value that is not finite or out of range.
    static std::optional<Money> fromDouble(double value);
    // Decimal text ("12.5", "-1", "0.333", "1e3"), C locale; nullopt when it does not convert.
    // Digits beyond the sixth decimal round half away from zero.
    static std::optional<Money> parse(const std::string& text);

    // An element's text as an amount; 0 when it does not convert (as any number of a record).
    static Money read(const Quorvel::XMLNode& element);
    // Appends the amount as a child element `name` of `parent`.
    void write(const Quorvel::XMLNode& parent, const char* name) const;

    int64_t units() const { return m_units; }
    double toDouble() const { return static_cast<double>(m_units) / UNITS_PER_WHOLE; }
    // Shortest exact decimal text in the C locale: "12.5", "-1", "0.000001".
    std::string toString() const;
    // Rounded half away from zero to `decimals` (0 to 6) places.
    Money roundedTo(int decimals) const;

    Money operator+(Money other) const;
    Money operator-(Money other) const;
    Money operator-() const { return Money(-m_units); }
    Money& operator+=(Money other) { return *this = *this + other; }
    Money& operator-=(Money other) { return *this = *this - other; }
    Money times(int64_t quantity) const;
    // amount × percent / 100, rounded to the nearest millionth.
    Money percentOf(double percent) const;
    // amount / divisor, rounded to the nearest millionth; divisor must not be 0.
    Money dividedBy(double divisor) const;

    bool operator==(Money other) const { return m_units == other.m_units; }
    bool operator!=(Money other) const { return m_units != other.m_units; }
    bool operator<(Money other) const { return m_units < other.m_units; }
    bool operator<=(Money other) const { return m_units <= other.m_units; }
    bool operator>(Money other) const { return m_units > other.m_units; }
    bool operator>=(Money other) const { return m_units >= other.m_units; }

private:
    explicit constexpr Money(int64_t units) : m_units(units) {}
    static Money checked(int64_t units);
    static std::optional<Money> fromScaled(long double units);

    int64_t m_units = 0;
};

} // namespace Brenmarle
