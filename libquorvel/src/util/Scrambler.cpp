#include "util/Scrambler.h"

#include <string>

namespace Quorvel {

namespace {

std::string xorWithKey(const std::string& bytes, const wxString& key)
{
    const wxScopedCharBuffer keyBytes = key.utf8_str();
    const size_t keyLength = keyBytes.length();
    if (keyLength == 0)
        return bytes;
    std::string out(bytes.size(), '\0');
    size_t keyIndex = keyLength - 1;
    for (size_t i = 0; i < bytes.size(); ++i) {
        out[i] = static_cast<char>(bytes[i] ^ keyBytes.data()[keyIndex]);
        keyIndex = keyIndex == 0 ? keyLength - 1 : keyIndex - 1;
    }
    return out;
}

int hexValue(wxUniChar c)
{
    const wxUint32 v = c.GetValue();
    if (v >= '0' && v <= '9')
        return static_cast<int>(v - '0');
    if (v >= 'a' && v <= 'f')
        return static_cast<int>(v - 'a' + 10);
    if (v >= 'A' && v <= 'F')
        return static_cast<int>(v - 'A' + 10);
    return -1;
}

} // namespace

wxString Scrambler::scramble(const wxString& text, const wxString& key)
{
    const wxScopedCharBuffer utf8 = text.utf8_str();
    const std::string scrambled = xorWithKey(std::string(utf8.data(), utf8.length()), key);
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(scrambled.size() * 2);
    for (unsigned char byte : scrambled) {
        hex += digits[byte >> 4];
        hex += digits[byte & 0x0f];
    }
    return wxString::FromAscii(hex.c_str());
}

wxString Scrambler::unscramble(const wxString& hex, const wxString& key)
{
    if (hex.length() % 2 != 0)
        return wxString();
    std::string bytes;
    bytes.reserve(hex.length() / 2);
    for (size_t i = 0; i < hex.length(); i += 2) {
        const int high = hexValue(hex[i]);
        const int low = hexValue(hex[i + 1]);
        if (high < 0 || low < 0)
            return wxString();
        bytes += static_cast<char>(high * 16 + low);
    }
    const std::string plain = xorWithKey(bytes, key);
    return wxString::FromUTF8(plain.data(), plain.size());
}

} // namespace Quorvel
