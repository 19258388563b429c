#pragma once
// How the provider keeps account passwords: never the password itself, only a salted PBKDF2
// hash (HMAC-SHA-256, OpenSSL) in one text, "pbkdf2-sha256$<iterations>$<salt>$<hash>" with
// salt and hash in hexadecimal. The iteration count travels with each hash, so a later
// provider can raise it without losing the accounts made before.
//
// Static functions; any thread. Each make() or verify() costs the iterations' time on purpose.

#include <string>

namespace Provider {

class PasswordHash {
public:
    static constexpr int ITERATIONS = 100000;
    static constexpr size_t SALT_BYTES = 16;
    static constexpr size_t HASH_BYTES = 32;
    // Stored hashes naming more iterations than this are refused rather than computed.
    static constexpr long MAX_ITERATIONS = 10000000;

    // A new hash of `password` with a fresh salt. Throws std::runtime_error when OpenSSL fails.
    static std::string make(const std::string& password);
    // True when `stored` is a hash of `password`. A malformed `stored` is no match.
    static bool verify(const std::string& password, const std::string& stored);
    // True when `stored` has the form of a hash (as opposed to a password kept before hashing).
    static bool isHash(const std::string& stored);
};

} // namespace Provider
