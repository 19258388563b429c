#pragma once
// A program version such as "2.4.16", compared part by part as numbers (2.4.9 is older than
// 2.4.16, which a comparison of texts gets wrong); missing parts count as 0, so "2.4" equals
// "2.4.0". The text comes from a server, so parse() takes only what a version looks like and
// nothing longer than a version can be.
//
// Values; any thread.

#include <cstdint>
#include <optional>
#include <vector>

#include <wx/string.h>

namespace Quorvel {

class VersionNumber {
public:
    static constexpr size_t MAX_PARTS = 4;
    // Digits of one part (so it fits in 32 bits).
    static constexpr size_t MAX_DIGITS = 9;

    VersionNumber(int major, int minor, int build);

    // One to MAX_PARTS numbers of decimal digits separated by single dots, with blanks and
    // line ends around them; nothing otherwise.
    static std::optional<VersionNumber> parse(const wxString& text);

    // Negative, 0 or positive as this version is older than, equal to or newer than `other`.
    int compare(const VersionNumber& other) const;
    bool operator<(const VersionNumber& other) const { return compare(other) < 0; }
    bool operator==(const VersionNumber& other) const { return compare(other) == 0; }
    bool isNewerThan(const VersionNumber& other) const { return compare(other) > 0; }

    wxString toString() const;

private:
    VersionNumber() = default;
    std::vector<uint32_t> m_parts;
};

} // namespace Quorvel
