#include "files/StoragePaths.h"

#include <memory>

#include <openssl/evp.h>

#include "system/Exceptions.h"

namespace Brenmarle {

namespace {

wxString nameWithTime(const wxString& name, int32_t modifyTime)
{
    return wxString::Format("%s+%d.vstf", name, static_cast<int>(modifyTime));
}

wxString sizeFolder(int width, int height) { return wxString::Format("%dx%d", width, height); }

} // namespace

StoragePaths::StoragePaths(const wxString& dataDir)
    : m_dataDir(dataDir.EndsWith("/") ? dataDir : dataDir + "/")
{
}

wxString StoragePaths::fileUuid(const wxString& uri)
{
    const wxString uuid = uri.length() >= 36 ? uri.Right(36) : wxString();
    if (uuid.empty() || uuid.Contains("/"))
        throw Quorvel::RuntimeException(uri + ": URI does not contain file UUID");
    return uuid;
}

wxString StoragePaths::uriDigest(const wxString& uri)
{
    const wxScopedCharBuffer bytes = uri.utf8_str();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> context(EVP_MD_CTX_new(),
                                                                    &EVP_MD_CTX_free);
    if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1 ||
        EVP_DigestUpdate(context.get(), bytes.data(), bytes.length()) != 1 ||
        EVP_DigestFinal_ex(context.get(), digest, &length) != 1)
        throw Quorvel::RuntimeException(wxS("Could not compute the digest of ") + uri);
    wxString hex;
    for (unsigned int i = 0; i < length; ++i)
        hex += wxString::Format("%02x", digest[i]);
    return hex;
}

wxString StoragePaths::managedFile(const wxString& uri) const
{
    const wxString uuid = fileUuid(uri);
    return m_dataDir + "archive/" + uuid.Left(3) + "/" + uuid + ".vsaf";
}

wxString StoragePaths::managedThumbnail(const wxString& uri, int32_t modifyTime) const
{
    const wxString uuid = fileUuid(uri);
    return m_dataDir + "thumbnails/" + uuid.Left(3) + "/" + nameWithTime(uuid, modifyTime);
}

wxString StoragePaths::managedResized(const wxString& uri, int32_t modifyTime, int width,
                                      int height) const
{
    const wxString uuid = fileUuid(uri);
    return m_dataDir + "resized/" + sizeFolder(width, height) + "/" + uuid.Left(3) + "/" +
           nameWithTime(uuid, modifyTime);
}

wxString StoragePaths::computerThumbnail(const wxString& uri, int32_t modifyTime) const
{
    const wxString digest = uriDigest(uri);
    return m_dataDir + "fsthumbs3/" + digest.Left(3) + "/" + nameWithTime(digest, modifyTime);
}

wxString StoragePaths::computerResized(const wxString& uri, int32_t modifyTime, int width,
                                       int height) const
{
    const wxString digest = uriDigest(uri);
    return m_dataDir + "fsresized/" + sizeFolder(width, height) + "/" + digest.Left(3) + "/" +
           nameWithTime(digest, modifyTime);
}

wxString StoragePaths::tempThumbnail(const wxString& uri, int32_t modifyTime, int32_t size) const
{
    return m_dataDir + "tempthumbs/" +
           wxString::Format("%s+%d+%d.vstf", uriDigest(uri), static_cast<int>(modifyTime),
                            static_cast<int>(size));
}

} // namespace Brenmarle
