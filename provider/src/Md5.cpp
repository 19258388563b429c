#include "Md5.h"

#include <cctype>
#include <fstream>
#include <stdexcept>

#include <openssl/evp.h>

#include "Hex.h"

namespace Provider {

void Md5::ContextDeleter::operator()(evp_md_ctx_st* context) const
{
    EVP_MD_CTX_free(context);
}

Md5::Md5() : m_context(EVP_MD_CTX_new())
{
    if (!m_context || EVP_DigestInit_ex(m_context.get(), EVP_md5(), nullptr) != 1)
        throw std::runtime_error("EVP_DigestInit_ex failed");
}

Md5::~Md5() = default;

void Md5::update(const char* data, size_t size)
{
    if (EVP_DigestUpdate(m_context.get(), data, size) != 1)
        throw std::runtime_error("EVP_DigestUpdate failed");
}

std::string Md5::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1 || length != 16)
        throw std::runtime_error("EVP_DigestFinal_ex failed");
    return Hex::encode(digest, length);
}

std::string Md5::ofFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("Could not read " + path);
    Md5 digest;
    char block[65536];
    while (in) {
        in.read(block, sizeof block);
        digest.update(block, static_cast<size_t>(in.gcount()));
    }
    if (in.bad())
        throw std::runtime_error("Could not read " + path);
    return digest.hex();
}

bool Md5::isHex(const std::string& text)
{
    if (text.size() != 32)
        return false;
    for (char c : text)
        if (!std::isxdigit(static_cast<unsigned char>(c)))
            return false;
    return true;
}

} // namespace Provider
