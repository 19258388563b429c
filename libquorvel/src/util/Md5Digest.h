#pragma once
// An MD5 worked out block by block, as the transfers announce and check it. Throws IOException
// when the crypto library fails. Not copyable.

#include <cstddef>
#include <memory>

#include <wx/string.h>

struct evp_md_ctx_st;

namespace Quorvel {

class Md5Digest {
public:
    Md5Digest();
    ~Md5Digest();
    Md5Digest(const Md5Digest&) = delete;
    Md5Digest& operator=(const Md5Digest&) = delete;

    void add(const void* data, size_t size);
    // The digest of what was added, in lower-case hex; ends the digest.
    wxString hex();

private:
    struct ContextDeleter {
        void operator()(evp_md_ctx_st* context) const;
    };
    std::unique_ptr<evp_md_ctx_st, ContextDeleter> m_context;
};

} // namespace Quorvel
