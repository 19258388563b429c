#pragma once
// What the provider takes for an e-mail address: the name of an account on a portal, and where
// its reminders go. Deliberately plain: one "@" between a local part and a domain of dotted
// labels, nothing that would need quoting in a mail header or a URL, and the lengths mail
// systems allow. Letter case does not tell two addresses apart (see ProviderStore).
//
// Static functions; any thread.

#include <string_view>

namespace Provider {

class EmailAddress {
public:
    static constexpr size_t MAX_LENGTH = 254;
    static constexpr size_t MAX_LOCAL_LENGTH = 64;

    static bool isWellFormed(std::string_view address);
};

} // namespace Provider
