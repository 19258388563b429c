#pragma once
// Identifiers and secrets the provider hands out (session ids, token ids, account ids, picture
// token and activation codes, password salts), drawn from the system's cryptographic random
// source (getrandom), so one value tells nothing about the next.
//
// Static functions; any thread.

#include <cstddef>
#include <string>
#include <string_view>

namespace Provider {

class SecureRandom {
public:
    // Fills `size` bytes at `data`. Throws std::runtime_error when the source fails.
    static void fill(void* data, size_t size);
    // `length` characters, each drawn evenly from `alphabet` (1 to 256 characters).
    static std::string text(size_t length, std::string_view alphabet);
};

} // namespace Provider
