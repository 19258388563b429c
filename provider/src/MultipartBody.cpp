#include "MultipartBody.h"

#include <cstring>

#include <algorithm>
#include <cctype>

namespace Provider {

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// RFC 2046: 1 to 70 characters of a restricted set.
bool isValidBoundary(const std::string& boundary)
{
    static const std::string ALLOWED = "'()+_,-./:=? ";
    return !boundary.empty() && boundary.size() <= 70 && boundary.back() != ' ' &&
           std::all_of(boundary.begin(), boundary.end(), [](char c) {
               return std::isalnum(static_cast<unsigned char>(c)) ||
                      ALLOWED.find(c) != std::string::npos;
           });
}

// The value of `name="..."` or `name=...` in a header value's parameters.
std::string parameter(const std::string& value, const std::string& name)
{
    const std::string lower = lowered(value);
    size_t at = 0;
    while ((at = lower.find(name + "=", at)) != std::string::npos) {
        const bool starts = at == 0 || lower[at - 1] == ';' || lower[at - 1] == ' ';
        at += name.size() + 1;
        if (!starts)
            continue;
        if (at < value.size() && value[at] == '"') {
            const auto close = value.find('"', at + 1);
            return close == std::string::npos ? std::string()
                                              : value.substr(at + 1, close - at - 1);
        }
        const auto end = value.find(';', at);
        std::string token =
            value.substr(at, end == std::string::npos ? std::string::npos : end - at);
        while (!token.empty() && token.back() == ' ')
            token.pop_back();
        return token;
    }
    return std::string();
}

} // namespace

size_t MultipartBody::maxOverhead(const std::string& boundary)
{
    // "--B\r\n", the header, "\r\n--B--\r\n".
    return boundary.size() + 4 + MAX_HEAD_BYTES + boundary.size() + 8;
}

std::string MultipartBody::boundaryOf(const std::string& contentType)
{
    const auto semicolon = contentType.find(';');
    std::string type = lowered(contentType.substr(0, semicolon));
    while (!type.empty() && type.back() == ' ')
        type.pop_back();
    if (type != "multipart/form-data" || semicolon == std::string::npos)
        return std::string();
    const std::string boundary = parameter(contentType.substr(semicolon + 1), "boundary");
    return isValidBoundary(boundary) ? boundary : std::string();
}

MultipartBody::MultipartBody(const std::string& boundary, Sink sink)
    : m_opening("--" + boundary + "\r\n"), m_delimiter("\r\n--" + boundary), m_sink(std::move(sink))
{
}

void MultipartBody::feed(const char* data, size_t size)
{
    while (size > 0) {
        switch (m_state) {
        case State::Opening: {
            const size_t take = std::min(size, m_opening.size() - m_held.size());
            m_held.append(data, take);
            data += take;
            size -= take;
            if (m_opening.compare(0, m_held.size(), m_held) != 0)
                throw MultipartError("The body does not begin with its boundary");
            if (m_held.size() == m_opening.size()) {
                m_held.clear();
                m_state = State::Head;
            }
            break;
        }
        case State::Head: {
            // The part's header ends at its blank line; it is looked for a byte at a time, so
            // nothing of the file is taken for header.
            m_held.push_back(*data++);
            --size;
            if (m_held.size() > MAX_HEAD_BYTES)
                throw MultipartError("The part's header is too long");
            if (m_held.size() >= 4 && m_held.compare(m_held.size() - 4, 4, "\r\n\r\n") == 0) {
                readHead(m_held);
                m_held.clear();
                m_state = State::File;
            }
            break;
        }
        case State::File:
            feedFile(data, size);
            return;
        case State::Closing:
        case State::Done:
            feedClosing(data, size);
            return;
        }
    }
}

void MultipartBody::readHead(const std::string& head)
{
    size_t start = 0;
    while (start + 2 < head.size()) {
        const auto end = head.find("\r\n", start);
        const std::string line = head.substr(start, end - start);
        start = end + 2;
        const auto colon = line.find(':');
        if (colon == std::string::npos)
            throw MultipartError("A header line of the part has no name");
        if (lowered(line.substr(0, colon)) != "content-disposition")
            continue;
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(' '));
        if (lowered(value.substr(0, 9)) != "form-data")
            throw MultipartError("The part is not form data");
        m_fieldName = parameter(value, "name");
    }
    if (m_fieldName.empty())
        throw MultipartError("The part has no field name");
}

void MultipartBody::feedFile(const char* data, size_t size)
{
    // The file's bytes go straight from the received block to the sink; only the few bytes at a
    // block's end that could begin the delimiter are held. Copying whole blocks into a buffer
    // and searching that cost an upload more than the disk write does.
    const size_t seamBytes = m_delimiter.size() - 1;
    if (!m_held.empty()) {
        // A delimiter that began in the held bytes ends within the next seamBytes.
        const size_t heldBytes = m_held.size();
        const size_t take = std::min(size, seamBytes);
        m_held.append(data, take);
        const auto found = m_held.find(m_delimiter);
        if (found != std::string::npos) {
            m_sink(m_held.data(), found);
            std::string rest = m_held.substr(found + m_delimiter.size());
            rest.append(data + take, size - take);
            m_held.clear();
            m_state = State::Closing;
            feedClosing(rest.data(), rest.size());
            return;
        }
        if (take < seamBytes) {
            // Too little came to tell: hold the tail that may still begin the delimiter.
            const size_t keep = std::min(m_held.size(), seamBytes);
            m_sink(m_held.data(), m_held.size() - keep);
            m_held.erase(0, m_held.size() - keep);
            return;
        }
        m_sink(m_held.data(), heldBytes);
        m_held.clear();
    }
    const void* found = ::memmem(data, size, m_delimiter.data(), m_delimiter.size());
    if (found) {
        const size_t at = static_cast<size_t>(static_cast<const char*>(found) - data);
        m_sink(data, at);
        m_state = State::Closing;
        const size_t after = at + m_delimiter.size();
        feedClosing(data + after, size - after);
        return;
    }
    // The last bytes may be the start of the delimiter: they wait for what follows.
    const size_t keep = std::min(size, seamBytes);
    m_sink(data, size - keep);
    m_held.assign(data + size - keep, keep);
}

void MultipartBody::feedClosing(const char* data, size_t size)
{
    m_held.append(data, size);
    // After the delimiter only "--" and an optional line end may come.
    static const std::string CLOSING = "--\r\n";
    if (m_held.size() <= CLOSING.size() && CLOSING.compare(0, m_held.size(), m_held) == 0) {
        if (m_held.size() >= 2)
            m_state = State::Done;
        return;
    }
    // A line end after the delimiter would begin another part; a lone "\r" may yet be one.
    if (m_held == "\r")
        return;
    if (m_held.compare(0, 2, "\r\n") == 0)
        throw MultipartError("The body holds more than one part");
    throw MultipartError("The body goes on after its closing boundary");
}

void MultipartBody::finish()
{
    if (m_state != State::Done)
        throw MultipartError("The body ends before its closing boundary");
}

} // namespace Provider
