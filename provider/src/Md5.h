#pragma once
// The MD5 digest the transfers carry (X-Quorvel-MD5): 32 lower-case hexadecimal digits, taken
// piece by piece as the bytes pass.
//
// One object per digest; one thread at a time.

#include <cstddef>
#include <memory>
#include <string>

struct evp_md_ctx_st;

namespace Provider {

class Md5 {
public:
    // Throws std::runtime_error when OpenSSL cannot start a digest.
    Md5();
    ~Md5();
    Md5(const Md5&) = delete;
    Md5& operator=(const Md5&) = delete;

    void update(const char* data, size_t size);
    // The digest of everything passed so far; the object is done afterwards.
    std::string hex();

    // The digest of a whole file; throws std::runtime_error when it cannot be read.
    static std::string ofFile(const std::string& path);
    // True for 32 hexadecimal digits, either letter case.
    static bool isHex(const std::string& text);

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> m_context;
};

} // namespace Provider
