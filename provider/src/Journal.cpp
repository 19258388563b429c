#include "Journal.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iostream>
#include <stdexcept>

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include "Hex.h"

namespace Provider {

namespace {

const char* const SECRET_ARGUMENTS[] = {"password",   "tokentext",   "activationcode",
                                        "clientdata", "paymentdata", "accesstoken"};
const size_t SESSION_DIGEST_LENGTH = 12;

std::string isoTime(std::chrono::system_clock::time_point time)
{
    const auto sinceEpoch = time.time_since_epoch();
    const std::time_t seconds =
        std::chrono::duration_cast<std::chrono::seconds>(sinceEpoch).count();
    const auto milliseconds =
        std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count() % 1000;
    std::tm parts{};
    ::gmtime_r(&seconds, &parts);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &parts);
    char result[40];
    std::snprintf(result, sizeof result, "%s.%03dZ", text, static_cast<int>(milliseconds));
    return result;
}

} // namespace

bool Journal::isSecret(const std::string& argumentName)
{
    for (const char* secret : SECRET_ARGUMENTS)
        if (argumentName == secret)
            return true;
    return false;
}

std::string Journal::sessionDigest(const std::string& sessionId)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_Digest(sessionId.data(), sessionId.size(), digest, &length, EVP_sha256(), nullptr) != 1)
        return "?";
    return Hex::encode(digest, length).substr(0, SESSION_DIGEST_LENGTH);
}

Journal::Journal(const std::string& path)
{
    m_file = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (m_file < 0)
        throw std::runtime_error("Could not open the journal " + path + ": " +
                                 std::strerror(errno));
}

Journal::~Journal()
{
    ::close(m_file);
}

std::string Journal::lineOf(const Entry& entry)
{
    nlohmann::ordered_json line;
    line["time"] = isoTime(entry.started);
    line["ms"] = std::chrono::duration_cast<std::chrono::milliseconds>(
                     std::chrono::system_clock::now() - entry.started)
                     .count();
    line["remote"] = entry.remote;
    if (!entry.service.empty()) {
        line["service"] = entry.service;
        line["operation"] = entry.operation;
    }
    if (!entry.method.empty()) {
        line["method"] = entry.method;
        line["path"] = entry.path;
    }
    if (!entry.account.empty())
        line["account"] = entry.account;
    if (!entry.session.empty())
        line["session"] = entry.session;
    if (!entry.arguments.empty()) {
        auto& arguments = line["arguments"] = nlohmann::ordered_json::object();
        for (const auto& [name, value] : entry.arguments)
            arguments[name] = isSecret(name) ? std::string("[withheld]") : value;
    }
    line["status"] = entry.status;
    if (!entry.fault.empty())
        line["fault"] = entry.fault;
    if (!entry.injected.empty())
        line["injected"] = entry.injected;
    if (entry.bytes)
        line["bytes"] = *entry.bytes;
    if (!entry.md5.empty())
        line["md5"] = entry.md5;
    // Whatever a client sent stays readable: bytes that are no UTF-8 are replaced.
    return line.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void Journal::write(const Entry& entry)
{
    const std::string line = lineOf(entry) + "\n";
    std::lock_guard<std::mutex> lock(m_mutex);
    size_t written = 0;
    while (written < line.size()) {
        const ssize_t count = ::write(m_file, line.data() + written, line.size() - written);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0) {
            std::cerr << "[PROVIDER] Could not write the journal: " << std::strerror(errno)
                      << std::endl;
            return;
        }
        written += static_cast<size_t>(count);
    }
}

} // namespace Provider
