#pragma once
// Bytes as lower-case hexadecimal text and back, as digests, salts and hashes are written.
//
// Static functions; any thread.

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace Provider {

class Hex {
public:
    static std::string encode(const unsigned char* bytes, size_t size);
    static std::string encode(const std::vector<unsigned char>& bytes)
    {
        return encode(bytes.data(), bytes.size());
    }
    // Nothing when `text` is empty, of odd length or holds anything but hexadecimal digits.
    static std::optional<std::vector<unsigned char>> decode(const std::string& text);
};

} // namespace Provider
