#pragma once
// The small text rules shared by the provider's INI-style files (the configuration and the
// fault script): values are trimmed, and a list in one value is separated by "|".
//
// Static functions; any thread.

#include <string>
#include <vector>

namespace Provider {

class ConfigText {
public:
    // Without blanks, tabs and carriage returns at either end.
    static std::string trim(const std::string& text);
    // The "|"-separated parts of `value`, each trimmed; one part when there is no "|".
    static std::vector<std::string> fields(const std::string& value);
};

} // namespace Provider
