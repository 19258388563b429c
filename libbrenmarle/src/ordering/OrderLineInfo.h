#pragma once
// One line of an order's price breakdown, as the cart and the sending assistant show it.
// Lines are rebuilt by each pricing; `part` points into the order that built them and is null
// for order-wide lines.

#include <cstdint>

#include <wx/string.h>

#include "ordering/Money.h"

namespace Brenmarle {

class OrderPart;

struct OrderLineInfo {
    enum Kind {
        PRODUCT = 0,  // a product's own price
        ADDITION = 1, // an addition or charge
        DISCOUNT = 2,
        DELIVERY = 3,
        TOTAL = 4,
        VAT = 5
    };

    Kind kind = PRODUCT;
    const OrderPart* part = nullptr;
    wxString text;
    Money amount;
    Money unitPrice;
    int64_t quantity = 0;
};

} // namespace Brenmarle
