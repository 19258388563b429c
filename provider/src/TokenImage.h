#pragma once
// The picture of a registration token: its digits drawn in a small block font on a light
// background, as PNG bytes (8-bit greyscale).

#include <string>

namespace Provider {

class TokenImage {
public:
    // Each font pixel becomes a square of this many pixels.
    static constexpr int SCALE = 6;

    // `digits` holds only '0'..'9'; anything else throws std::invalid_argument.
    static std::string png(const std::string& digits);
};

} // namespace Provider
