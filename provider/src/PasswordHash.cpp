#include "PasswordHash.h"

#include <cstdlib>
#include <optional>
#include <stdexcept>
#include <vector>

#include <openssl/crypto.h>
#include <openssl/evp.h>

#include "Hex.h"
#include "SecureRandom.h"

namespace Provider {

namespace {

const std::string PREFIX = "pbkdf2-sha256$";

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
    return PREFIX + std::to_string(ITERATIONS) + "$" + Hex::encode(salt) + "$" +
           Hex::encode(derive(password, salt, ITERATIONS, HASH_BYTES));
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
    const auto salt = Hex::decode(stored.substr(first + 1, second - first - 1));
    const auto expected = Hex::decode(stored.substr(second + 1));
    if (count.empty() || *end != '\0' || iterations < 1 || iterations > MAX_ITERATIONS || !salt ||
        !expected)
        return false;
    const auto actual = derive(password, *salt, static_cast<int>(iterations), expected->size());
    return CRYPTO_memcmp(actual.data(), expected->data(), actual.size()) == 0;
}

} // namespace Provider
