#pragma once
// The request journal, DATA/journal.jsonl: one JSON object per line and per request, for
// checking from outside what the provider was asked and what it answered. A line is written
// before the answer goes out, so whoever has the answer finds its line; each line goes to the
// file in one write.
//
// A line holds: "time" (when the request arrived, UTC), "ms" (how long it took), "remote",
// "service" and "operation" of a SOAP call or "method" and "path" of another request,
// "account" (the account id it ran under), "session" (a short digest of the session id, never
// the id), "arguments" (name to text; secret ones as "[withheld]"), "status" (the HTTP status;
// 0 when no answer was given), "fault" (a SOAP fault code), "injected" (what the fault script
// staged), "bytes" and "md5" of a transfer (the bytes sent or received).
// Texts that are not UTF-8 are kept with the bad bytes replaced.
//
// Threads: write() from any thread.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace Provider {

class Journal {
public:
    struct Entry {
        std::chrono::system_clock::time_point started = std::chrono::system_clock::now();
        std::string remote;
        std::string service;
        std::string operation;
        std::string method;
        std::string path;
        std::string account;
        std::string session;
        std::vector<std::pair<std::string, std::string>> arguments;
        int status = 0;
        std::string fault;
        // The fault script's action, when one fired.
        std::string injected;
        std::optional<uint64_t> bytes;
        std::string md5;
    };

    // Arguments never journalled as they are.
    static bool isSecret(const std::string& argumentName);
    // What stands for a session id in the journal.
    static std::string sessionDigest(const std::string& sessionId);

    // Opens `path` for appending, creating it (readable by its owner only). Throws
    // std::runtime_error when it cannot.
    explicit Journal(const std::string& path);
    ~Journal();
    Journal(const Journal&) = delete;
    Journal& operator=(const Journal&) = delete;

    // Appends the entry's line. A failing write is reported on standard error, not thrown: the
    // request goes on.
    void write(const Entry& entry);
    // The line of an entry, without its line feed.
    static std::string lineOf(const Entry& entry);

private:
    std::mutex m_mutex;
    int m_file = -1;
};

} // namespace Provider
