#include "util/Md5Digest.h"

#include <openssl/evp.h>

#include "system/Exceptions.h"

namespace Quorvel {

void Md5Digest::ContextDeleter::operator()(evp_md_ctx_st* context) const
{
    EVP_MD_CTX_free(context);
}

Md5Digest::Md5Digest() : m_context(EVP_MD_CTX_new())
{
    if (!m_context || EVP_DigestInit_ex(m_context.get(), EVP_md5(), nullptr) != 1)
        throw IOException("EVP_DigestInit_ex failed");
}

Md5Digest::~Md5Digest() = default;

void Md5Digest::add(const void* data, size_t size)
{
    if (EVP_DigestUpdate(m_context.get(), data, size) != 1)
        throw IOException("EVP_DigestUpdate failed");
}

wxString Md5Digest::hex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(m_context.get(), digest, &length) != 1)
        throw IOException("EVP_DigestFinal_ex failed");
    if (length != 16)
        throw IOException("Digest size is not 16 characters");
    wxString text;
    for (unsigned int i = 0; i < length; ++i)
        text += wxString::Format("%02x", digest[i]);
    return text;
}

} // namespace Quorvel
