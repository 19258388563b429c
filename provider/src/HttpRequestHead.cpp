#include "HttpRequestHead.h"

#include <algorithm>
#include <cctype>

#include "Hex.h"

namespace Provider {

namespace {

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

bool isTokenCharacter(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) ||
           std::string_view("!#$%&'*+-.^_`|~").find(c) != std::string_view::npos;
}

bool isToken(std::string_view text)
{
    return !text.empty() && std::all_of(text.begin(), text.end(), isTokenCharacter);
}

// Field values may hold tabs but no other control characters.
bool hasControlCharacters(std::string_view text)
{
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return (u < 0x20 && c != '\t') || u == 0x7f;
    });
}

std::string_view trimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

std::optional<uint64_t> decimal(std::string_view text)
{
    if (text.empty() || text.size() > 19)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    return value;
}

// Strict Base64 (padding required, no blanks inside).
std::optional<std::string> base64Decoded(std::string_view text)
{
    static const std::string_view ALPHABET =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    if (text.size() % 4 != 0)
        return std::nullopt;
    std::string result;
    for (size_t i = 0; i < text.size(); i += 4) {
        uint32_t group = 0;
        int padding = 0;
        for (size_t j = 0; j < 4; ++j) {
            const char c = text[i + j];
            size_t value = 0;
            if (c == '=' && i + 4 == text.size() && j >= 2) {
                ++padding;
            } else if (padding > 0 || (value = ALPHABET.find(c)) == std::string_view::npos) {
                return std::nullopt;
            }
            group = (group << 6) | static_cast<uint32_t>(value);
        }
        result.push_back(static_cast<char>(group >> 16));
        if (padding < 2)
            result.push_back(static_cast<char>((group >> 8) & 0xff));
        if (padding < 1)
            result.push_back(static_cast<char>(group & 0xff));
    }
    return result;
}

bool isValidHostName(std::string_view host)
{
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.front() == '-')
        return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-';
    });
}

bool isValidIpv6Literal(std::string_view host)
{
    if (host.size() < 2 || host.size() > 47)
        return false;
    return std::all_of(host.begin(), host.end(), [](char c) {
        return std::isxdigit(static_cast<unsigned char>(c)) || c == ':' || c == '.';
    });
}

// The path of a request target, without its query: "/a/b" of "/a/b?x" and of
// "http://host:80/a/b?x"; "/" for "http://host"; empty for any other form ("*").
std::string pathOf(const std::string& target)
{
    std::string path;
    if (target.front() == '/') {
        path = target;
    } else {
        const auto separator = target.find("://");
        if (separator == std::string::npos)
            return std::string();
        const auto slash = target.find('/', separator + 3);
        path = slash == std::string::npos ? "/" : target.substr(slash);
    }
    return path.substr(0, path.find('?'));
}

} // namespace

size_t HttpRequestHead::endOf(std::string_view data)
{
    const auto crlf = data.find("\r\n\r\n");
    const auto lf = data.find("\n\n");
    if (crlf == std::string_view::npos && lf == std::string_view::npos)
        return std::string_view::npos;
    if (lf == std::string_view::npos || (crlf != std::string_view::npos && crlf < lf))
        return crlf + 4;
    return lf + 2;
}

std::optional<HttpRequestHead> HttpRequestHead::parse(std::string_view head)
{
    if (head.size() > MAX_BYTES)
        return std::nullopt;
    HttpRequestHead result;
    bool first = true;
    while (!head.empty()) {
        const auto newline = head.find('\n');
        if (newline == std::string_view::npos)
            return std::nullopt; // the blank line is missing
        std::string_view line = head.substr(0, newline);
        head.remove_prefix(newline + 1);
        if (!line.empty() && line.back() == '\r')
            line.remove_suffix(1);
        if (line.empty())
            return first || !head.empty() ? std::nullopt : std::optional(result);
        if (hasControlCharacters(line))
            return std::nullopt;
        if (first) {
            first = false;
            const auto space1 = line.find(' ');
            const auto space2 = line.find(' ', space1 == std::string_view::npos ? 0 : space1 + 1);
            if (space1 == std::string_view::npos || space2 == std::string_view::npos ||
                line.find(' ', space2 + 1) != std::string_view::npos)
                return std::nullopt;
            result.m_method = line.substr(0, space1);
            result.m_target = line.substr(space1 + 1, space2 - space1 - 1);
            result.m_version = line.substr(space2 + 1);
            if (!isToken(result.m_method) || result.m_target.empty() ||
                (result.m_version != "HTTP/1.0" && result.m_version != "HTTP/1.1"))
                return std::nullopt;
            result.m_path = pathOf(result.m_target);
            continue;
        }
        const auto colon = line.find(':');
        if (colon == std::string_view::npos || !isToken(line.substr(0, colon)) ||
            result.m_fields.size() >= MAX_FIELDS)
            return std::nullopt;
        const std::string name(line.substr(0, colon));
        const std::string value(trimmed(line.substr(colon + 1)));
        if (equalsIgnoringCase(name, "Content-Length")) {
            const auto length = decimal(value);
            if (!length || (result.m_contentLength && *result.m_contentLength != *length))
                return std::nullopt;
            result.m_contentLength = length;
        }
        result.m_fields.emplace_back(name, value);
    }
    return std::nullopt;
}

std::optional<std::string> HttpRequestHead::field(std::string_view name) const
{
    for (const auto& [key, value] : m_fields)
        if (equalsIgnoringCase(key, name))
            return value;
    return std::nullopt;
}

bool HttpRequestHead::asksToKeepConnection() const
{
    // Every Connection field counts, each a list of options.
    bool close = false;
    bool keepAlive = false;
    for (const auto& [key, value] : m_fields) {
        if (!equalsIgnoringCase(key, "Connection"))
            continue;
        size_t start = 0;
        while (start <= value.size()) {
            size_t comma = value.find(',', start);
            if (comma == std::string::npos)
                comma = value.size();
            std::string_view option(value.data() + start, comma - start);
            while (!option.empty() && (option.front() == ' ' || option.front() == '\t'))
                option.remove_prefix(1);
            while (!option.empty() && (option.back() == ' ' || option.back() == '\t'))
                option.remove_suffix(1);
            close = close || equalsIgnoringCase(option, "close");
            keepAlive = keepAlive || equalsIgnoringCase(option, "keep-alive");
            start = comma + 1;
        }
    }
    // HTTP/1.1 keeps connections unless told not to; HTTP/1.0 only when asked.
    return !close && (m_version == "HTTP/1.1" || keepAlive);
}

std::optional<std::string> HttpRequestHead::decodedPath() const
{
    return percentDecoded(m_path, false);
}

std::optional<std::string> HttpRequestHead::queryValue(std::string_view name) const
{
    const auto question = m_target.find('?');
    if (question == std::string::npos)
        return std::nullopt;
    std::string_view query(m_target);
    query = query.substr(question + 1, query.find('#', question) - question - 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        const auto equals = pair.find('=');
        const auto key = percentDecoded(pair.substr(0, equals), true);
        if (key && *key == name)
            return percentDecoded(equals == std::string_view::npos ? std::string_view()
                                                                   : pair.substr(equals + 1),
                                  true);
        if (amp == std::string_view::npos)
            break;
        query.remove_prefix(amp + 1);
    }
    return std::nullopt;
}

std::optional<std::string> HttpRequestHead::percentDecoded(std::string_view text, bool plusIsSpace)
{
    std::string result;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            result.push_back(plusIsSpace && text[i] == '+' ? ' ' : text[i]);
            continue;
        }
        const auto byte = Hex::decode(std::string(text.substr(i + 1, 2)));
        if (!byte || byte->size() != 1 || byte->front() == 0)
            return std::nullopt;
        result.push_back(static_cast<char>(byte->front()));
        i += 2;
    }
    return result;
}

bool HttpRequestHead::isValidAuthority(std::string_view authority)
{
    std::string_view host = authority;
    std::string_view port;
    if (!authority.empty() && authority.front() == '[') {
        const auto close = authority.find(']');
        if (close == std::string_view::npos)
            return false;
        host = authority.substr(1, close - 1);
        const auto rest = authority.substr(close + 1);
        if (!rest.empty() && rest.front() != ':')
            return false;
        port = rest.empty() ? rest : rest.substr(1);
        if (!isValidIpv6Literal(host) || (!rest.empty() && port.empty()))
            return false;
    } else {
        const auto colon = authority.find(':');
        if (colon != std::string_view::npos) {
            host = authority.substr(0, colon);
            port = authority.substr(colon + 1);
            if (port.empty())
                return false;
        }
        if (!isValidHostName(host))
            return false;
    }
    if (port.empty())
        return true;
    const auto number = decimal(port);
    return number && *number >= 1 && *number <= 65535;
}

std::string HttpRequestHead::origin(const std::string& scheme) const
{
    std::string usedScheme = scheme;
    std::string authority;
    const auto separator = m_target.find("://");
    if (m_target.front() != '/' && separator != std::string::npos) {
        usedScheme = m_target.substr(0, separator);
        const auto slash = m_target.find('/', separator + 3);
        authority = m_target.substr(
            separator + 3, slash == std::string::npos ? std::string::npos : slash - separator - 3);
        if (usedScheme != "http" && usedScheme != "https")
            return std::string();
    } else if (const auto host = field("Host")) {
        authority = *host;
    }
    if (!isValidAuthority(authority))
        return std::string();
    return usedScheme + "://" + authority;
}

std::string HttpRequestHead::hostOf(const std::string& origin)
{
    const auto separator = origin.find("://");
    std::string authority = separator == std::string::npos ? origin : origin.substr(separator + 3);
    if (!authority.empty() && authority.front() == '[')
        return authority.substr(1, authority.find(']') - 1);
    return authority.substr(0, authority.find(':'));
}

std::optional<HttpRequestHead::Credentials> HttpRequestHead::basicCredentials() const
{
    const auto value = field("Authorization");
    if (!value || value->size() < 6 || !equalsIgnoringCase(value->substr(0, 6), "Basic "))
        return std::nullopt;
    const auto decoded = base64Decoded(trimmed(std::string_view(*value).substr(6)));
    if (!decoded)
        return std::nullopt;
    const auto colon = decoded->find(':');
    if (colon == std::string::npos)
        return std::nullopt;
    return Credentials{decoded->substr(0, colon), decoded->substr(colon + 1)};
}

} // namespace Provider
