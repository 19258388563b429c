#include "util/VersionNumber.h"

#include <algorithm>

namespace Quorvel {

VersionNumber::VersionNumber(int major, int minor, int build)
    : m_parts{static_cast<uint32_t>(std::max(major, 0)), static_cast<uint32_t>(std::max(minor, 0)),
              static_cast<uint32_t>(std::max(build, 0))}
{
}

std::optional<VersionNumber> VersionNumber::parse(const wxString& text)
{
    wxString trimmed = text;
    trimmed.Trim(true).Trim(false);
    if (trimmed.empty() || trimmed.length() > MAX_PARTS * (MAX_DIGITS + 1))
        return std::nullopt;
    VersionNumber version;
    uint32_t part = 0;
    size_t digits = 0;
    for (const wxUniChar c : trimmed) {
        if (c >= '0' && c <= '9') {
            if (++digits > MAX_DIGITS)
                return std::nullopt;
            part = part * 10 + static_cast<uint32_t>(c.GetValue() - '0');
        } else if (c == '.' && digits > 0 && version.m_parts.size() + 1 < MAX_PARTS) {
            version.m_parts.push_back(part);
            part = 0;
            digits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (digits == 0)
        return std::nullopt;
    version.m_parts.push_back(part);
    return version;
}

int VersionNumber::compare(const VersionNumber& other) const
{
    const size_t count = std::max(m_parts.size(), other.m_parts.size());
    for (size_t i = 0; i < count; ++i) {
        const uint32_t mine = i < m_parts.size() ? m_parts[i] : 0;
        const uint32_t theirs = i < other.m_parts.size() ? other.m_parts[i] : 0;
        if (mine != theirs)
            return mine < theirs ? -1 : 1;
    }
    return 0;
}

wxString VersionNumber::toString() const
{
    wxString text;
    for (size_t i = 0; i < m_parts.size(); ++i)
        text << (i ? "." : "") << m_parts[i];
    return text;
}

} // namespace Quorvel
