#pragma once
// Reads an upload sent as one multipart/form-data part, piece by piece as it arrives, and
// hands on the bytes of the file it carries, so a large file is never held in memory.
//
// The body must be exactly: "--BOUNDARY\r\n", the part's header lines (a Content-Disposition
// of form-data with a name), a blank line, the file, "\r\n--BOUNDARY--" and an optional
// "\r\n". Anything else (a preamble, a second part, a part without a name, a missing closing
// delimiter, bytes after it) is refused with MultipartError. A file may contain anything that
// is not the delimiter, partial delimiters included.
//
// One object per body; one thread at a time.

#include <cstddef>
#include <functional>
#include <stdexcept>
#include <string>

namespace Provider {

class MultipartError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class MultipartBody {
public:
    using Sink = std::function<void(const char*, size_t)>;

    // A part's header lines may take this many bytes in all.
    static constexpr size_t MAX_HEAD_BYTES = 8192;
    // The most a well-formed body adds to its file.
    static size_t maxOverhead(const std::string& boundary);

    // The boundary of the Content-Type "multipart/form-data; boundary=..." (quoted or not);
    // empty when `contentType` is no multipart/form-data or its boundary is not valid.
    static std::string boundaryOf(const std::string& contentType);

    // `sink` gets the file's bytes as they are known to belong to it.
    MultipartBody(const std::string& boundary, Sink sink);

    // The next piece of the body. Throws MultipartError.
    void feed(const char* data, size_t size);
    // The body has ended: checks that the part was closed. Throws MultipartError.
    void finish();

    // The form field the part was sent as; empty until its header is read.
    const std::string& fieldName() const { return m_fieldName; }

private:
    enum class State { Opening, Head, File, Closing, Done };
    void readHead(const std::string& head);
    void feedFile(const char* data, size_t size);
    void feedClosing(const char* data, size_t size);

    const std::string m_opening;
    // "\r\n--BOUNDARY": what ends the file.
    const std::string m_delimiter;
    Sink m_sink;
    State m_state = State::Opening;
    // Bytes not yet placed: the opening or header being read, or the file's last bytes that
    // might begin a delimiter.
    std::string m_held;
    std::string m_fieldName;
};

} // namespace Provider
