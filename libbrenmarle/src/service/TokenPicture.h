#pragma once
// The picture of a registration token as the portal sends it: PNG bytes that the user reads the
// letters from. The bytes come from the network, so they are looked at before anything decodes
// them: at most MAX_BYTES, the PNG signature, a header chunk naming at most MAX_SIDE pixels
// each way; then they must decode whole as a PNG picture.
//
// Any thread.

#include <cstddef>
#include <string>

namespace Brenmarle {

class TokenPicture {
public:
    static constexpr size_t MAX_BYTES = 1024 * 1024;
    static constexpr unsigned MAX_SIDE = 1024;

    // Throws Quorvel::RuntimeException "Missing token image" for no bytes, "Invalid token PNG
    // image" for anything that is not a PNG picture within the bounds.
    static void check(const std::string& png);
    // Width and height from the header chunk, or false when the bytes do not begin as a PNG
    // picture does. Decodes nothing.
    static bool readSize(const std::string& png, unsigned& width, unsigned& height);
};

} // namespace Brenmarle
