#pragma once
// Before the provider serves a shop, every price list its configuration names is read by the
// client's own price-list code and each product priced once: a list a client would refuse, or
// a product no client could price, stops the provider at start with the reason instead of
// surfacing in a customer's cart.

#include "ProviderConfig.h"

namespace Provider {

class PricelistCheck {
public:
    // Throws ConfigError "price list FILE: REASON" for the first list that fails.
    static void checkAll(const ProviderConfig& config);
    // The same for one document; `name` is used in the message.
    static void check(const std::string& name, const std::string& xml);
};

} // namespace Provider
