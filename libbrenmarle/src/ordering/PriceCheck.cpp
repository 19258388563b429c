#include "ordering/PriceCheck.h"

namespace Brenmarle {

bool PriceCheck::differs(Money before, Money after)
{
    return before.roundedTo(2) != after.roundedTo(2);
}

std::optional<Money> PriceCheck::fromService(double total)
{
    const std::optional<Money> amount = Money::fromDouble(total);
    if (!amount)
        return std::nullopt;
    return amount->roundedTo(2);
}

} // namespace Brenmarle
