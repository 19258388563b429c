#include "FileTransfers.h"

#include <fstream>

#include <sys/stat.h>

#include "ProviderConnection.h"
#include "ProviderRequest.h"
#include "ProviderServer.h"

namespace Provider {

namespace {

const std::string PUBLIC_PREFIX = "/files/";
const size_t BLOCK_BYTES = 64 * 1024;

bool endsWith(const std::string& text, const std::string& suffix)
{
    return text.size() >= suffix.size() &&
           text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

// A path below `prefix` that stays there: no "..", no empty step, something after the prefix.
bool isSafeBelow(const std::string& path, const std::string& prefix)
{
    return path.size() > prefix.size() && path.compare(0, prefix.size(), prefix) == 0 &&
           path.find("..") == std::string::npos && path.find("//") == std::string::npos &&
           path.back() != '/';
}

} // namespace

void FileTransfers::get(ProviderConnection& connection)
{
    ProviderRequest& request = connection.request();
    const auto path = request.head().decodedPath();
    if (!path || !isSafeBelow(*path, PUBLIC_PREFIX)) {
        connection.sendResponse(404, "text/plain", "Not found\n");
        return;
    }
    const std::string file = request.server().dataDir() + *path;
    struct stat info;
    std::ifstream in(file, std::ios::binary);
    if (::stat(file.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !in) {
        connection.sendResponse(404, "text/plain", "Not found\n");
        return;
    }
    request.log("GET " + *path);
    const std::string type =
        endsWith(*path, ".xml") ? "text/xml; charset=utf-8" : "application/octet-stream";
    connection.journalEntry().bytes = static_cast<uint64_t>(info.st_size);
    if (!connection.sendHead(200, type, static_cast<uint64_t>(info.st_size)))
        return;
    std::string block(BLOCK_BYTES, '\0');
    while (in) {
        in.read(block.data(), static_cast<std::streamsize>(block.size()));
        const auto count = static_cast<size_t>(in.gcount());
        if (count == 0 || !connection.send(block.data(), count))
            return;
    }
}

} // namespace Provider
