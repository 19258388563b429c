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

} // namespace Provider
