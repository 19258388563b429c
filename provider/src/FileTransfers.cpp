#include "FileTransfers.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "Md5.h"
#include "MultipartBody.h"
#include "ProviderConnection.h"
#include "ProviderRequest.h"
#include "ProviderServer.h"
#include "SecureRandom.h"

namespace Provider {

namespace {

const std::string PUBLIC_PREFIX = "/files/";
const std::string UPLOAD_PREFIX = "/upload/";
const std::string DOWNLOAD_PREFIX = "/download/";
const size_t BLOCK_BYTES = 64 * 1024;
const size_t MAX_NAME_STEPS = 8;
const size_t MAX_STEP_LENGTH = 128;
const char* const CHALLENGE = "WWW-Authenticate: Basic realm=\"Vistrelle provider\"\r\n";

// An open file descriptor, closed with the object.
class Descriptor {
public:
    explicit Descriptor(int descriptor) : m_descriptor(descriptor) {}
    ~Descriptor()
    {
        if (m_descriptor >= 0)
            ::close(m_descriptor);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return m_descriptor; }

private:
    int m_descriptor;
};

// A new file that is removed again unless it is kept under its final name.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& folder)
        : m_path(folder + "/.upload-" + SecureRandom::text(16, "0123456789abcdef") + ".part"),
          m_file(::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600))
    {
        if (m_file.get() < 0)
            throw std::runtime_error("Could not create " + m_path + ": " + std::strerror(errno));
    }
    ~TemporaryFile()
    {
        if (!m_kept)
            ::unlink(m_path.c_str());
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    void write(const char* data, size_t size)
    {
        while (size > 0) {
            const ssize_t count = ::write(m_file.get(), data, size);
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                throw std::runtime_error("Could not write " + m_path + ": " + std::strerror(errno));
            data += count;
            size -= static_cast<size_t>(count);
        }
    }
    // Flushed to disk and renamed to `path`, replacing a file of that name.
    void keepAs(const std::string& path)
    {
        if (::fsync(m_file.get()) != 0 || ::rename(m_path.c_str(), path.c_str()) != 0)
            throw std::runtime_error("Could not store " + path + ": " + std::strerror(errno));
        m_kept = true;
    }

private:
    std::string m_path;
    Descriptor m_file;
    bool m_kept = false;
};

// A refusal of an upload: the status and its text.
struct Refusal {
    int status;
    std::string text;
};

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

// The steps of an upload's or download's name, or nothing when it is not a name.
std::optional<std::vector<std::string>> nameSteps(const std::string& name)
{
    std::vector<std::string> steps;
    size_t start = 0;
    while (start <= name.size()) {
        const auto slash = name.find('/', start);
        const std::string step =
            name.substr(start, slash == std::string::npos ? std::string::npos : slash - start);
        const bool valid = !step.empty() && step.size() <= MAX_STEP_LENGTH && step[0] != '.' &&
                           std::all_of(step.begin(), step.end(), [](char c) {
                               return std::isalnum(static_cast<unsigned char>(c)) || c == '.' ||
                                      c == '_' || c == '-';
                           });
        if (!valid || steps.size() == MAX_NAME_STEPS)
            return std::nullopt;
        steps.push_back(step);
        if (slash == std::string::npos)
            break;
        start = slash + 1;
    }
    return steps;
}

// The name after `prefix` in the request's path, checked.
std::optional<std::vector<std::string>> requestedName(ProviderRequest& request,
                                                      const std::string& prefix)
{
    const auto path = request.head().decodedPath();
    if (!path || path->compare(0, prefix.size(), prefix) != 0)
        return std::nullopt;
    return nameSteps(path->substr(prefix.size()));
}

// DATA/uploads/ACCOUNT, then each step but the last, made when `create`; the file's path.
std::string accountFile(ProviderRequest& request, const std::string& accountId,
                        const std::vector<std::string>& steps, bool create)
{
    std::string path = request.server().dataDir() + "/uploads";
    const auto makeFolder = [&] {
        if (create && ::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            throw std::runtime_error("Could not create " + path + ": " + std::strerror(errno));
    };
    makeFolder();
    path += "/" + accountId;
    makeFolder();
    for (size_t i = 0; i + 1 < steps.size(); ++i) {
        path += "/" + steps[i];
        makeFolder();
    }
    return path + "/" + steps.back();
}

// The file of the authenticated account a transfer below `prefix` names (its folders made
// when `create`); nothing when the request has been refused for want of credentials or a name.
std::optional<std::string> accountTransfer(ProviderConnection& connection,
                                           const std::string& prefix, bool create)
{
    ProviderRequest& request = connection.request();
    const auto& account = request.authenticate();
    if (!account) {
        connection.sendResponse(401, "text/plain", "Credentials needed\n", CHALLENGE);
        return std::nullopt;
    }
    const auto steps = requestedName(request, prefix);
    if (!steps) {
        connection.sendResponse(404, "text/plain", "Not found\n");
        return std::nullopt;
    }
    return accountFile(request, account->id, *steps, create);
}

} // namespace

void FileTransfers::sendFile(ProviderConnection& connection, const std::string& path,
                             const std::string& contentType)
{
    ProviderRequest& request = connection.request();
    Descriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    struct stat info;
    if (file.get() < 0 || ::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        connection.sendResponse(404, "text/plain", "Not found\n");
        return;
    }
    // Digest and body come from the one open file, so a file replaced meanwhile cannot mix.
    Md5 digest;
    std::vector<char> block(BLOCK_BYTES);
    ssize_t count = 0;
    while ((count = ::read(file.get(), block.data(), block.size())) > 0)
        digest.update(block.data(), static_cast<size_t>(count));
    if (count < 0 || ::lseek(file.get(), 0, SEEK_SET) != 0)
        throw std::runtime_error("Could not read " + path + ": " + std::strerror(errno));
    std::string md5 = digest.hex();
    const auto size = static_cast<uint64_t>(info.st_size);
    uint64_t toSend = size;
    if (const auto& action = request.injected()) {
        if (action->kind == FaultScript::Action::WrongMd5)
            md5.back() = md5.back() == '0' ? '1' : '0';
        if (action->kind == FaultScript::Action::Truncate)
            toSend = std::min(size, action->amount);
    }
    // The client is left waiting for the rest until the connection closes.
    if (toSend < size)
        connection.closeAfterAnswer();
    connection.journalEntry().bytes = toSend;
    connection.journalEntry().md5 = md5;
    if (!connection.sendHead(200, contentType, size,
                             "X-Quorvel-Length: " + std::to_string(size) +
                                 "\r\nX-Quorvel-MD5: " + md5 + "\r\n"))
        return;
    while (toSend > 0 && (count = ::read(file.get(), block.data(),
                                         std::min<uint64_t>(block.size(), toSend))) > 0) {
        if (!connection.send(block.data(), static_cast<size_t>(count)))
            return;
        toSend -= static_cast<uint64_t>(count);
    }
}

namespace {

// The MD5 the upload declares, lower case; empty when there is none or it is malformed.
std::string declaredMd5(const HttpRequestHead& head)
{
    auto md5 = head.field("X-Quorvel-MD5");
    if (!md5)
        md5 = head.field("Content-MD5");
    if (!md5 || !Md5::isHex(*md5))
        return std::string();
    std::string lower = *md5;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// Reads the body into `file`; the refusal when it is not what it should be.
std::optional<Refusal> receiveFile(ProviderConnection& connection, TemporaryFile& file, Md5& digest,
                                   uint64_t& fileBytes)
{
    const HttpRequestHead& head = connection.request().head();
    const uint64_t limit = connection.request().server().options().uploadLimitBytes;
    const std::string boundary = MultipartBody::boundaryOf(head.field("Content-Type").value_or(""));
    bool overLimit = false;
    auto store = [&](const char* data, size_t size) {
        fileBytes += size;
        if (fileBytes > limit) {
            overLimit = true;
            return;
        }
        digest.update(data, size);
        file.write(data, size);
    };
    MultipartBody multipart(boundary.empty() ? "-" : boundary, store);
    uint64_t remaining = *head.contentLength();
    std::vector<char> block(BLOCK_BYTES);
    try {
        while (remaining > 0 && !overLimit) {
            const size_t count =
                connection.receive(block.data(), std::min<uint64_t>(block.size(), remaining));
            if (count == 0)
                return Refusal{400, "The upload ended before its declared length\n"};
            remaining -= count;
            if (boundary.empty())
                store(block.data(), count);
            else
                multipart.feed(block.data(), count);
        }
        if (!overLimit && !boundary.empty())
            multipart.finish();
    } catch (const MultipartError& e) {
        return Refusal{400, std::string(e.what()) + "\n"};
    }
    if (overLimit)
        return Refusal{413, "The file is larger than " + std::to_string(limit) + " bytes\n"};
    return std::nullopt;
}

} // namespace

void FileTransfers::getPublic(ProviderConnection& connection)
{
    ProviderRequest& request = connection.request();
    const auto path = request.head().decodedPath();
    if (!path || !isSafeBelow(*path, PUBLIC_PREFIX)) {
        connection.sendResponse(404, "text/plain", "Not found\n");
        return;
    }
    request.log("GET " + *path);
    // The operator's own files first, then those the configuration ships.
    std::string file = request.server().dataDir() + *path;
    const std::string& shipped = request.config().filesDir;
    struct stat info;
    if (!shipped.empty() && ::stat(file.c_str(), &info) != 0)
        file = shipped + "/" + path->substr(PUBLIC_PREFIX.size());
    sendFile(connection, file,
             endsWith(*path, ".xml") ? "text/xml; charset=utf-8" : "application/octet-stream");
}

void FileTransfers::download(ProviderConnection& connection)
{
    if (const auto file = accountTransfer(connection, DOWNLOAD_PREFIX, false))
        sendFile(connection, *file, "application/octet-stream");
}

void FileTransfers::upload(ProviderConnection& connection)
{
    ProviderRequest& request = connection.request();
    const HttpRequestHead& head = request.head();
    const auto target = accountTransfer(connection, UPLOAD_PREFIX, true);
    if (!target)
        return;
    if (!head.contentLength() || head.field("Transfer-Encoding")) {
        connection.sendResponse(411, "text/plain", "An upload needs a Content-Length\n");
        return;
    }
    const std::string md5 = declaredMd5(head);
    if (md5.empty()) {
        connection.sendResponse(400, "text/plain",
                                "An upload needs its MD5 in an X-Quorvel-MD5 header\n");
        return;
    }
    const uint64_t limit = request.server().options().uploadLimitBytes;
    const std::string boundary = MultipartBody::boundaryOf(head.field("Content-Type").value_or(""));
    if (*head.contentLength() > limit + MultipartBody::maxOverhead(boundary)) {
        connection.sendResponse(413, "text/plain",
                                "The file is larger than " + std::to_string(limit) + " bytes\n");
        return;
    }
    TemporaryFile file(target->substr(0, target->rfind('/')));
    if (head.field("Expect").value_or("") == "100-continue" &&
        !connection.send("HTTP/1.1 100 Continue\r\n\r\n"))
        return;

    Md5 digest;
    uint64_t fileBytes = 0;
    auto refusal = receiveFile(connection, file, digest, fileBytes);
    connection.journalEntry().bytes = fileBytes;
    if (!refusal) {
        const std::string actual = digest.hex();
        connection.journalEntry().md5 = actual;
        if (actual != md5)
            refusal = Refusal{422, "The file's MD5 is " + actual + ", not " + md5 + "\n"};
    }
    if (refusal) {
        request.log("Upload refused: " + refusal->text);
        connection.sendResponse(refusal->status, "text/plain", refusal->text);
        return;
    }
    if (request.injected() && request.injected()->kind == FaultScript::Action::NoAnswer) {
        // The bytes arrived whole; the client hears nothing, and nothing is kept.
        request.log("Upload of " + std::to_string(fileBytes) + " bytes left unanswered");
        return;
    }
    file.keepAs(*target);
    request.log("Upload of " + std::to_string(fileBytes) + " bytes to " + *target);
    connection.sendResponse(200, "text/plain", "Stored " + std::to_string(fileBytes) + " bytes\n");
}

} // namespace Provider
