#pragma once
// Whether two totals of an order differ as the customer sees them: amounts are compared in
// whole cents (rounded half away from zero), so a difference in the millionths that pricing
// keeps never asks the customer to accept a "new" price that reads the same.
//
// Pure; any thread.

#include <optional>

#include "ordering/Money.h"

namespace Brenmarle {

class PriceCheck {
public:
    static bool differs(Money before, Money after);
    // A total a service sent as a floating-point number, in cents; nothing for a value that
    // is not a finite amount.
    static std::optional<Money> fromService(double total);
};

} // namespace Brenmarle
