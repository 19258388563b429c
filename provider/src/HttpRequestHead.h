#pragma once
// The head of one HTTP request as a client sent it: the request line and the header fields.
// Everything in it comes from outside, so parsing is strict and bounded: a head the provider
// cannot read for certain is refused as a whole rather than guessed at.
//
// Besides the fields it answers what the provider asks of a request: the path it names (also
// when a client uses the provider as its proxy and sends an absolute address), the origin
// (scheme, host and port) the client reached the provider under, and HTTP Basic credentials.
//
// A plain value; any thread.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace Provider {

class HttpRequestHead {
public:
    // A longer head, or one with more fields, is refused.
    static constexpr size_t MAX_BYTES = 64 * 1024;
    static constexpr size_t MAX_FIELDS = 100;

    struct Credentials {
        std::string user;
        std::string password;
    };

    // Where the head in `data` ends: the offset just after its blank line; npos while the blank
    // line has not arrived.
    static size_t endOf(std::string_view data);
    // Parses a whole head (request line, fields, blank line). Nothing when it is not an
    // HTTP/1.x request the provider can read: a malformed line, a field name that is no token,
    // control characters, a Content-Length that is no number or given twice differently.
    static std::optional<HttpRequestHead> parse(std::string_view head);

    const std::string& method() const { return m_method; }
    // As sent: a path ("/service/portal/3.0/") or an absolute address.
    const std::string& target() const { return m_target; }
    // The path of the target without its query, escapes kept; "/" for an absolute address
    // that names none.
    const std::string& path() const { return m_path; }
    // The path with its %XX escapes decoded; nothing when an escape is broken or decodes to a
    // zero byte.
    std::optional<std::string> decodedPath() const;
    // The first value of the form field `name` in the target's query ("?a=1&b=x+y"), decoded
    // ("+" a blank, %XX escapes); nothing when there is none, or its escapes are broken or
    // decode to a zero byte.
    std::optional<std::string> queryValue(std::string_view name) const;
    const std::string& version() const { return m_version; }

    // The value of the first field of that name (letter case ignored), blanks trimmed.
    std::optional<std::string> field(std::string_view name) const;
    // True when the client means to send more requests on the connection: HTTP/1.1 without
    // "Connection: close", HTTP/1.0 with "Connection: keep-alive".
    bool asksToKeepConnection() const;
    // Content-Length; nothing when absent.
    std::optional<uint64_t> contentLength() const { return m_contentLength; }

    // "scheme://host[:port]" the client used: the scheme and authority of an absolute target,
    // else `scheme` and the Host field. Empty when there is no host or it is not a plain host
    // name, IPv4 or bracketed IPv6 address with an optional port from 1 to 65535 (so a hostile
    // Host cannot smuggle a path or user into the addresses the provider hands out).
    std::string origin(const std::string& scheme) const;
    // The host part of an origin, without brackets and port.
    static std::string hostOf(const std::string& origin);

    // The Authorization field's Basic credentials; nothing when there are none or they cannot
    // be decoded.
    std::optional<Credentials> basicCredentials() const;

    // True when the authority ("host[:port]") is a plain host name or IP literal with an
    // optional valid port.
    static bool isValidAuthority(std::string_view authority);

private:
    // `text` with its %XX escapes (and "+" when `plusIsSpace`) decoded; nothing when an escape
    // is broken or decodes to a zero byte.
    static std::optional<std::string> percentDecoded(std::string_view text, bool plusIsSpace);

    std::string m_method;
    std::string m_target;
    std::string m_path;
    std::string m_version;
    std::vector<std::pair<std::string, std::string>> m_fields;
    std::optional<uint64_t> m_contentLength;
};

} // namespace Provider
