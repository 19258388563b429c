#pragma once
// Text kept in as few bytes as it takes, for strings held by the hundred thousand: the URI and
// fields of every file of a large catalogue, and the registries keyed by those URIs. A wxString
// spends four bytes on each character and 48 bytes before the first; this keeps one byte per
// ASCII character in a std::string, whose first 15 bytes need no allocation of their own.
//
// Characters are kept as UTF-8, and a wchar_t that is no Unicode character (a lone surrogate,
// say) in the same pattern, so str() gives back exactly the wxString that went in. The byte
// order of two compact strings is the order of their characters: sorted containers keep the
// order they have with wxString. (wxString compares wchar_t as signed numbers, so the two
// orders part only for values from 0x80000000 on, which no text decoder makes.)
//
// A value type; not shared between threads unless its owner guards it.

#include <cstddef>
#include <functional>
#include <string>

#include <wx/string.h>

namespace Quorvel {

class CompactString {
public:
    CompactString() = default;
    explicit CompactString(const wxString& text);
    // Text that is UTF-8 already, such as the catalogue's. Invalid UTF-8 gives an empty string,
    // as wxString::FromUTF8 does.
    static CompactString fromUtf8(const char* bytes, std::size_t length);

    wxString str() const;
    bool empty() const { return m_bytes.empty(); }
    const std::string& bytes() const { return m_bytes; }

    friend bool operator==(const CompactString& a, const CompactString& b)
    {
        return a.m_bytes == b.m_bytes;
    }
    friend bool operator!=(const CompactString& a, const CompactString& b) { return !(a == b); }
    friend bool operator<(const CompactString& a, const CompactString& b)
    {
        return a.m_bytes < b.m_bytes;
    }

private:
    std::string m_bytes;
};

struct CompactStringHash {
    std::size_t operator()(const CompactString& text) const noexcept
    {
        return std::hash<std::string>()(text.bytes());
    }
};

} // namespace Quorvel
