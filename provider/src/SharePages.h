#pragma once
// What the recipients of a share see, over plain HTTP with the access token the share was sent
// with (each recipient has its own; no account is needed):
//
//   GET /share?at=TOKEN
//       the share's web page: its subject, message and pictures, each linked to its download
//   GET /service/sharing/3.0/download.php?at=TOKEN&file=SERVERUUID
//       one picture of the share, with Content-Length, X-Quorvel-Length and X-Quorvel-MD5
//
// Only a closed share is shown, and only its registered files. A token or file that is not one
// (malformed, unknown, another share's file) gets 404 alike, so nothing tells them apart.
// The subject, message and file names are the sharer's text and are escaped on the page.
//
// Threads: the worker thread serving the connection.

#include <optional>
#include <string>

#include "ProviderStore.h"

namespace Provider {

class ProviderConnection;

class SharePages {
public:
    static constexpr const char* PAGE_PATH = "/share";
    static constexpr const char* DOWNLOAD_PATH = "/service/sharing/3.0/download.php";
    // Below an account's upload folder: shares/SHAREID/SERVERUUID.
    static constexpr const char* UPLOAD_FOLDER = "shares";

    // A registered file of a closed share, as a recipient's token opens it.
    struct SharedFile {
        ProviderStore::StoredShare share;
        ProviderStore::ShareFile file;
        ProviderStore::ShareRecipient recipient;
    };

    // The page's path and query for a token ("/share?at=...").
    static std::string pageAddress(const std::string& accessToken);
    static std::string downloadAddress(const std::string& accessToken,
                                       const std::string& serverUuid);
    // Where the provider keeps an uploaded file of a share.
    static std::string uploadedPath(const std::string& dataDir, const std::string& accountId,
                                    const std::string& shareId, const std::string& serverUuid);
    // Whether `token` has the form the provider hands out.
    static bool isTokenForm(const std::string& token);

    // The share `accessToken` opens, when it is closed.
    static std::optional<ProviderStore::StoredShare> sharedShare(ProviderStore& store,
                                                                 const std::string& accessToken);
    // The file `serverUuid` of that share, when it is registered.
    static std::optional<SharedFile>
    sharedFile(ProviderStore& store, const std::string& accessToken, const std::string& serverUuid);

    // Whether a GET of `path` is one of these pages.
    static bool serves(const std::string& path);
    // Answers a GET that serves() took.
    static void answer(ProviderConnection& connection);

private:
    static void page(ProviderConnection& connection);
    static void download(ProviderConnection& connection);
};

} // namespace Provider
