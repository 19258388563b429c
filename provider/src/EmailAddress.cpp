#include "EmailAddress.h"

#include <cctype>

namespace Provider {

namespace {

// Letters, digits and the few marks addresses commonly hold; nothing a mail header, a URL or a
// log line would have to escape.
bool isLocalCharacter(unsigned char c)
{
    return std::isalnum(c) || c == '.' || c == '_' || c == '-' || c == '+' || c == '\'';
}

// One DNS label: letters, digits and inner hyphens, at most 63 long.
bool isLabel(std::string_view label)
{
    if (label.empty() || label.size() > 63 || label.front() == '-' || label.back() == '-')
        return false;
    for (unsigned char c : label)
        if (!std::isalnum(c) && c != '-')
            return false;
    return true;
}

} // namespace

bool EmailAddress::isWellFormed(std::string_view address)
{
    const auto at = address.find('@');
    if (address.size() > MAX_LENGTH || at == std::string_view::npos || at == 0 ||
        at > MAX_LOCAL_LENGTH)
        return false;
    const std::string_view local = address.substr(0, at);
    std::string_view domain = address.substr(at + 1);
    if (local.front() == '.' || local.back() == '.' || local.find("..") != std::string_view::npos)
        return false;
    for (unsigned char c : local)
        if (!isLocalCharacter(c))
            return false;
    // At least two labels: a bare host name is no mail domain.
    if (domain.find('.') == std::string_view::npos)
        return false;
    while (!domain.empty()) {
        const auto dot = domain.find('.');
        if (!isLabel(domain.substr(0, dot)))
            return false;
        if (dot == std::string_view::npos)
            break;
        domain.remove_prefix(dot + 1);
        if (domain.empty())
            return false; // a trailing dot
    }
    return true;
}

} // namespace Provider
