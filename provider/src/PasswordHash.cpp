#include "PasswordHash.h"

#include <cctype>
#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "SecureRandom.h"

namespace Provider {

namespace {

const std::string PREFIX = "pbkdf2-sha256$";

std::string hex(const std::vector<unsigned char>& bytes)
{
    static const char DIGITS[] = "0123456789abcdef";
    std::string text;
    for (unsigned char byte : bytes) {
        text.push_back(DIGITS[byte >> 4]);
        text.push_back(DIGITS[byte & 0xf]);
    }
    return text;
}

std::optional<std::vector<unsigned char>> unhex(const std::string& text)
{
    if (text.empty() || text.size() % 2 != 0)
        return std::nullopt;
    std::vector<unsigned char> bytes;
    for (size_t i = 0; i < text.size(); i += 2) {
        const std::string pair = text.substr(i, 2);
        char* end = nullptr;
        const long value = std::strtol(pair.c_str(), &end, 16);
        if (*end != '\0' || !std::isxdigit(static_cast<unsigned char>(pair[0])))
            return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(value));
    }
    return bytes;
}

std::vector<unsigned char> derive(const std::string& password,
                                  const std::vector<unsigned char>& salt, int iterations,
                                  size_t length)
{
    std::vector<unsigned char> key(length);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(),
                          static_cast<int>(key.size()), key.data()) != 1)
        throw std::runtime_error("PBKDF2 failed");
    return key;
}

} // namespace

std::string PasswordHash::make(const std::string& password)
{
    std::vector<unsigned char> salt(SALT_BYTES);
    SecureRandom::fill(salt.data(), salt.size());
    return PREFIX + std::to_string(ITERATIONS) + "$" + hex(salt) + "$" +
           hex(derive(password, salt, ITERATIONS, HASH_BYTES));
}

bool PasswordHash::isHash(const std::string& stored)
{
    return stored.compare(0, PREFIX.size(), PREFIX) == 0;
}

bool PasswordHash::verify(const std::string& password, const std::string& stored)
{
    if (!isHash(stored))
        return false;
    const auto first = stored.find('$', PREFIX.size());
    const auto second = first == std::string::npos ? first : stored.find('$', first + 1);
    if (second == std::string::npos)
        return false;
    const std::string count = stored.substr(PREFIX.size(), first - PREFIX.size());
    char* end = nullptr;
    const long iterations = std::strtol(count.c_str(), &end, 10);
    const auto salt = unhex(stored.substr(first + 1, second - first - 1));
    const auto expected = unhex(stored.substr(second + 1));
    if (count.empty() || *end != '\0' || iterations < 1 || iterations > MAX_ITERATIONS || !salt ||
        !expected)
        return false;
    const auto actual = derive(password, *salt, static_cast<int>(iterations), expected->size());
    return CRYPTO_memcmp(actual.data(), expected->data(), actual.size()) == 0;
}

} // namespace Provider
