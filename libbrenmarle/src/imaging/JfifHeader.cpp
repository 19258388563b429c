#include "imaging/JfifHeader.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "system/Exceptions.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

constexpr unsigned char MARKER = 0xFF;
constexpr unsigned char START_OF_IMAGE = 0xD8;
constexpr unsigned char START_OF_SCAN = 0xDA;
constexpr unsigned char END_OF_IMAGE = 0xD9;
constexpr unsigned char APP0 = 0xE0;

unsigned char byteAt(const std::string& bytes, size_t at)
{
    return static_cast<unsigned char>(bytes[at]);
}

// One segment before the scan: [start, end) holds its marker, length and payload.
struct Segment {
    size_t start;
    size_t payload;
    size_t end;
    unsigned char marker;
};

struct Segments {
    std::vector<Segment> whole; // those that fit in the bytes, in order
    bool reachedScan = false;   // all of them: the first scan (or the end of image) follows
};

// Markers without a length: the restart markers and TEM.
bool standsAlone(unsigned char marker)
{
    return (marker >= 0xD0 && marker <= 0xD7) || marker == 0x01;
}

Segments headerSegments(const std::string& bytes)
{
    Segments found;
    if (bytes.size() < 2 || byteAt(bytes, 0) != MARKER || byteAt(bytes, 1) != START_OF_IMAGE)
        return found;
    size_t at = 2;
    while (at < bytes.size() && byteAt(bytes, at) == MARKER) {
        const size_t start = at;
        while (at < bytes.size() && byteAt(bytes, at) == MARKER) // fill bytes
            ++at;
        if (at >= bytes.size())
            break;
        const unsigned char marker = byteAt(bytes, at++);
        if (marker == START_OF_SCAN || marker == END_OF_IMAGE) {
            found.reachedScan = true;
            break;
        }
        if (standsAlone(marker)) {
            found.whole.push_back({start, at, at, marker});
            continue;
        }
        if (marker == 0 || at + 2 > bytes.size())
            break;
        const size_t length = (size_t(byteAt(bytes, at)) << 8) | byteAt(bytes, at + 1);
        if (length < 2 || length > bytes.size() - at)
            break;
        found.whole.push_back({start, at + 2, at + length, marker});
        at += length;
    }
    return found;
}

bool isJfif(const std::string& bytes, const Segment& segment)
{
    static const char* const IDENTIFIERS[] = {"JFIF", "JFXX"};
    if (segment.marker != APP0 || segment.end - segment.payload < 5)
        return false;
    for (const char* identifier : IDENTIFIERS)
        if (std::memcmp(bytes.data() + segment.payload, identifier, 5) == 0) // with its NUL
            return true;
    return false;
}

std::string readUpTo(const wxString& path, size_t limit)
{
    Quorvel::InputFile input(path);
    std::string bytes;
    char buffer[16 * 1024];
    while (bytes.size() < limit) {
        const size_t read = input.read(buffer, std::min(sizeof buffer, limit - bytes.size()));
        if (read == 0)
            break;
        bytes.append(buffer, read);
    }
    return bytes;
}

} // namespace

bool JfifHeader::isIn(const std::string& bytes)
{
    for (const Segment& segment : headerSegments(bytes).whole)
        if (isJfif(bytes, segment))
            return true;
    return false;
}

bool JfifHeader::isInFile(const wxString& path)
{
    try {
        return isIn(readUpTo(path, HEAD_BYTES));
    } catch (const Quorvel::Exception&) {
        return false;
    }
}

std::string JfifHeader::removeFrom(const std::string& bytes)
{
    const Segments segments = headerSegments(bytes);
    if (!segments.reachedScan)
        return bytes;
    std::string kept;
    kept.reserve(bytes.size());
    size_t from = 0;
    for (const Segment& segment : segments.whole) {
        if (!isJfif(bytes, segment))
            continue;
        kept.append(bytes, from, segment.start - from);
        from = segment.end;
    }
    kept.append(bytes, from, std::string::npos);
    return kept;
}

void JfifHeader::removeFromFile(const wxString& path)
{
    const std::string bytes = readUpTo(path, std::string::npos);
    const std::string kept = removeFrom(bytes);
    if (kept.size() == bytes.size())
        return;
    Quorvel::OutputFile output(path);
    output.write(kept.data(), kept.size());
    output.commit();
}

} // namespace Brenmarle
