#include "util/CompactString.h"

#include <algorithm>
#include <cstdint>

namespace Quorvel {

namespace {

bool isAscii(const char* bytes, std::size_t length)
{
    return std::all_of(bytes, bytes + length,
                       [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// UTF-8's pattern, carried on past Unicode's end: five and six bytes for 31 bits as UTF-8 was
// first defined, and seven (lead byte 0xFE) for the rest of a 32-bit wchar_t. Longer sequences
// have greater lead bytes, so byte order stays character order.
void append(std::string& out, uint32_t c)
{
    if (c < 0x80) {
        out += static_cast<char>(c);
        return;
    }
    const int length = c < 0x800         ? 2
                       : c < 0x10000     ? 3
                       : c < 0x200000    ? 4
                       : c < 0x4000000   ? 5
                       : c < 0x80000000u ? 6
                                         : 7;
    static const unsigned char lead[] = {0, 0, 0xC0, 0xE0, 0xF0, 0xF8, 0xFC, 0xFE};
    const int shift = 6 * (length - 1);
    // Seven bytes carry 36 bits in their six continuation bytes: the lead byte holds none.
    out += static_cast<char>(lead[length] | (length == 7 ? 0 : c >> shift));
    for (int bits = shift - 6; bits >= 0; bits -= 6)
        out += static_cast<char>(0x80 | ((c >> bits) & 0x3F));
}

} // namespace

CompactString::CompactString(const wxString& text)
{
    const wxStringCharType* chars = text.wx_str();
    const std::size_t length = text.length();
    m_bytes.reserve(length);
    for (std::size_t i = 0; i < length; ++i)
        append(m_bytes, static_cast<uint32_t>(chars[i]));
}

CompactString CompactString::fromUtf8(const char* bytes, std::size_t length)
{
    CompactString text;
    if (!bytes || length == 0)
        return text;
    // Plain ASCII, by far the most common case, is kept as it is; anything else is checked by
    // wx's decoder, so invalid input ends as wxString's does.
    if (isAscii(bytes, length))
        text.m_bytes.assign(bytes, length);
    else
        text = CompactString(wxString::FromUTF8(bytes, length));
    return text;
}

wxString CompactString::str() const
{
    const std::size_t size = m_bytes.size();
    if (isAscii(m_bytes.data(), size))
        return wxString(std::wstring(m_bytes.begin(), m_bytes.end()));
    std::wstring wide;
    wide.reserve(size);
    for (std::size_t i = 0; i < size;) {
        const auto lead = static_cast<unsigned char>(m_bytes[i]);
        int length = 1;
        uint32_t c = lead;
        if (lead >= 0xFE) {
            length = 7;
            c = 0;
        } else if (lead >= 0xFC) {
            length = 6;
            c = lead & 0x01;
        } else if (lead >= 0xF8) {
            length = 5;
            c = lead & 0x03;
        } else if (lead >= 0xF0) {
            length = 4;
            c = lead & 0x07;
        } else if (lead >= 0xE0) {
            length = 3;
            c = lead & 0x0F;
        } else if (lead >= 0xC0) {
            length = 2;
            c = lead & 0x1F;
        }
        ++i;
        for (int k = 1; k < length && i < size; ++k, ++i)
            c = (c << 6) | (static_cast<unsigned char>(m_bytes[i]) & 0x3F);
        wide += static_cast<wchar_t>(c);
    }
    return wxString(wide);
}

} // namespace Quorvel
