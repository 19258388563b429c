#include "ConfigText.h"

namespace Provider {

std::string ConfigText::trim(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return std::string();
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

std::vector<std::string> ConfigText::fields(const std::string& value)
{
    std::vector<std::string> result;
    std::string::size_type start = 0;
    while (true) {
        const auto bar = value.find('|', start);
        result.push_back(
            trim(value.substr(start, bar == std::string::npos ? std::string::npos : bar - start)));
        if (bar == std::string::npos)
            return result;
        start = bar + 1;
    }
}

} // namespace Provider
