#include "HostLabel.h"

#include <cctype>

namespace Provider {

bool HostLabel::isValid(std::string_view label)
{
    if (label.empty() || label.size() > MAX_LENGTH || label.front() == '-' || label.back() == '-')
        return false;
    for (unsigned char c : label)
        if (!std::isalnum(c) && c != '-')
            return false;
    return true;
}

bool HostLabel::isHostName(std::string_view name)
{
    if (name.empty() || name.size() > MAX_NAME_LENGTH)
        return false;
    while (true) {
        const auto dot = name.find('.');
        if (!isValid(name.substr(0, dot)))
            return false;
        if (dot == std::string_view::npos)
            return true;
        name.remove_prefix(dot + 1);
    }
}

} // namespace Provider
