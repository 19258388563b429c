#include "SecureRandom.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>

#include <sys/random.h>

namespace Provider {

void SecureRandom::fill(void* data, size_t size)
{
    auto* bytes = static_cast<unsigned char*>(data);
    while (size > 0) {
        const ssize_t count = ::getrandom(bytes, size, 0);
        if (count < 0) {
            if (errno == EINTR)
                continue;
            throw std::runtime_error(std::string("No random numbers: ") + std::strerror(errno));
        }
        bytes += count;
        size -= static_cast<size_t>(count);
    }
}

std::string SecureRandom::text(size_t length, std::string_view alphabet)
{
    if (alphabet.empty() || alphabet.size() > 256)
        throw std::invalid_argument("an alphabet has 1 to 256 characters");
    // Bytes at or above the largest multiple of the alphabet's size are drawn again, so every
    // character is equally likely.
    const unsigned limit = 256 - 256 % alphabet.size();
    std::string result;
    result.reserve(length);
    unsigned char pool[64];
    size_t used = sizeof pool;
    while (result.size() < length) {
        if (used == sizeof pool) {
            fill(pool, sizeof pool);
            used = 0;
        }
        const unsigned byte = pool[used++];
        if (byte < limit)
            result.push_back(alphabet[byte % alphabet.size()]);
    }
    return result;
}

} // namespace Provider
