#pragma once
// One label of a host name ("myshop" of "myshop.portal.example"): letters, digits and inner
// hyphens, 1 to 63 of them. A portal's id is one, and so is each step of an e-mail domain.
//
// Static functions; any thread.

#include <string_view>

namespace Provider {

class HostLabel {
public:
    static constexpr size_t MAX_LENGTH = 63;

    static constexpr size_t MAX_NAME_LENGTH = 253;

    static bool isValid(std::string_view label);
    // A whole host name: valid labels joined by dots.
    static bool isHostName(std::string_view name);
};

} // namespace Provider
