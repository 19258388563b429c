#include "SharePages.h"

#include <algorithm>
#include <cctype>

#include <nlohmann/json.hpp>

#include "FileTransfers.h"
#include "ProviderConnection.h"
#include "ProviderPages.h"
#include "ProviderRequest.h"
#include "ProviderServer.h"

namespace Provider {

namespace {

const size_t TOKEN_LENGTH = 32;
const size_t MAX_UUID_LENGTH = 64;

bool isLowerAlphanumeric(const std::string& text, size_t maxLength)
{
    return !text.empty() && text.size() <= maxLength &&
           std::all_of(text.begin(), text.end(),
                       [](unsigned char c) { return std::isdigit(c) || (c >= 'a' && c <= 'z'); });
}

// A content type the sharer gave, when it is a plain one; nothing of it reaches a header
// otherwise.
std::string contentTypeOf(const ProviderStore::StoredShare& share,
                          const ProviderStore::ShareFile& file)
{
    if (share.previewSize != 0)
        return "image/jpeg";
    const nlohmann::json info = nlohmann::json::parse(file.info, nullptr, false);
    const std::string type =
        info.is_object() ? info.value("contenttype", std::string()) : std::string();
    const bool plain = !type.empty() && type.size() < 64 &&
                       std::all_of(type.begin(), type.end(), [](unsigned char c) {
                           return std::isalnum(c) || c == '/' || c == '.' || c == '+' || c == '-';
                       });
    return plain && type.rfind("image/", 0) == 0 ? type : "application/octet-stream";
}

std::string fileNameOf(const ProviderStore::ShareFile& file)
{
    const nlohmann::json info = nlohmann::json::parse(file.info, nullptr, false);
    const std::string name =
        info.is_object() ? info.value("filename", std::string()) : std::string();
    return name.empty() ? file.clientRef.substr(file.clientRef.rfind('/') + 1) : name;
}

} // namespace

std::string SharePages::pageAddress(const std::string& accessToken)
{
    return std::string(PAGE_PATH) + "?at=" + accessToken;
}

std::string SharePages::downloadAddress(const std::string& accessToken,
                                        const std::string& serverUuid)
{
    return std::string(DOWNLOAD_PATH) + "?at=" + accessToken + "&file=" + serverUuid;
}

std::string SharePages::uploadedPath(const std::string& dataDir, const std::string& accountId,
                                     const std::string& shareId, const std::string& serverUuid)
{
    return dataDir + "/uploads/" + accountId + "/" + UPLOAD_FOLDER + "/" + shareId + "/" +
           serverUuid;
}

bool SharePages::isTokenForm(const std::string& token)
{
    return token.size() == TOKEN_LENGTH && isLowerAlphanumeric(token, TOKEN_LENGTH);
}

std::optional<ProviderStore::StoredShare> SharePages::sharedShare(ProviderStore& store,
                                                                  const std::string& accessToken)
{
    if (!isTokenForm(accessToken))
        return std::nullopt;
    const auto recipient = store.recipientOfToken(accessToken);
    if (!recipient)
        return std::nullopt;
    auto share = store.findShare(recipient->shareId);
    if (!share || !share->closed)
        return std::nullopt;
    return share;
}

std::optional<SharePages::SharedFile> SharePages::sharedFile(ProviderStore& store,
                                                             const std::string& accessToken,
                                                             const std::string& serverUuid)
{
    if (!isLowerAlphanumeric(serverUuid, MAX_UUID_LENGTH))
        return std::nullopt;
    const auto share = sharedShare(store, accessToken);
    if (!share)
        return std::nullopt;
    for (const auto& file : store.shareFiles(share->id))
        if (file.serverUuid == serverUuid && file.registered)
            return SharedFile{*share, file, *store.recipientOfToken(accessToken)};
    return std::nullopt;
}

bool SharePages::serves(const std::string& path)
{
    return path == PAGE_PATH || path == DOWNLOAD_PATH;
}

void SharePages::answer(ProviderConnection& connection)
{
    if (connection.request().head().path() == PAGE_PATH)
        page(connection);
    else
        download(connection);
}

void SharePages::page(ProviderConnection& connection)
{
    ProviderRequest& request = connection.request();
    const std::string token = request.head().queryValue("at").value_or("");
    const auto share = sharedShare(request.store(), token);
    if (!share) {
        connection.sendResponse(404, "text/plain", "No such share\n");
        return;
    }
    std::string message;
    for (char c : ProviderPages::escapeHtml(share->message))
        message += c == '\n' ? std::string("<br>\n") : std::string(1, c);
    std::string body = "<p>" + message + "</p>\n<ul>\n";
    for (const auto& file : request.store().shareFiles(share->id)) {
        if (!file.registered)
            continue;
        const std::string link =
            ProviderPages::escapeHtml(request.address(downloadAddress(token, file.serverUuid)));
        const std::string name = ProviderPages::escapeHtml(fileNameOf(file));
        body += "<li><a href=\"" + link + "\"><img src=\"" + link + "\" alt=\"" + name + "\"><br>" +
                name + "</a></li>\n";
    }
    body += "</ul>\n";
    connection.sendResponse(200, "text/html; charset=utf-8",
                            ProviderPages::htmlPage(share->subject, body));
}

void SharePages::download(ProviderConnection& connection)
{
    ProviderRequest& request = connection.request();
    const auto shared = sharedFile(request.store(), request.head().queryValue("at").value_or(""),
                                   request.head().queryValue("file").value_or(""));
    if (!shared) {
        connection.sendResponse(404, "text/plain", "No such shared file\n");
        return;
    }
    FileTransfers::sendFile(connection,
                            uploadedPath(request.server().dataDir(), shared->share.accountId,
                                         shared->share.id, shared->file.serverUuid),
                            contentTypeOf(shared->share, shared->file));
}

} // namespace Provider
