#include "exif/IPTCReader.h"

#include <cstring>

#include "exif/MetadataText.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

const unsigned char TAG_MARKER = 0x1c;
const unsigned char PHOTOSHOP_PREFIX[] = "Photoshop 3.0"; // followed by a NUL in the block
const unsigned IPTC_RESOURCE = 0x0404;

unsigned bigEndian(const unsigned char* bytes, size_t count)
{
    unsigned value = 0;
    for (size_t i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return value;
}

bool startsWith(const unsigned char* data, size_t size, const void* prefix, size_t length)
{
    return size >= length && std::memcmp(data, prefix, length) == 0;
}

// One record's text. A block that declares a character set other than UTF-8 (record 1:90) is
// read as ISO-8859-1; otherwise valid UTF-8 wins, as most writers use it without saying so.
wxString recordText(const unsigned char* data, size_t length, bool declaredLatin1)
{
    const auto* bytes = reinterpret_cast<const char*>(data);
    wxString text;
    if (declaredLatin1) {
        const void* nul = std::memchr(bytes, '\0', length);
        const size_t end =
            nul ? static_cast<size_t>(static_cast<const char*>(nul) - bytes) : length;
        text = wxString(bytes, wxConvISO8859_1, end);
    } else {
        text = MetadataText::decode(bytes, length);
    }
    text = MetadataText::trim(text);
    if (text.length() > IPTCReader::MAX_TEXT_LENGTH)
        text.Truncate(IPTCReader::MAX_TEXT_LENGTH);
    return text;
}

void setOnce(wxString& field, const wxString& value)
{
    if (field.empty())
        field = value;
}

// "ESC % G" is the ISO 2022 escape that announces UTF-8.
bool declaresUtf8(const unsigned char* data, size_t length)
{
    return length >= 3 && data[0] == 0x1b && data[1] == '%' && data[2] == 'G';
}

void store(IPTCData& result, unsigned dataset, const wxString& text)
{
    if (text.empty())
        return;
    switch (dataset) {
    case 25:
        if (result.keywords.size() < IPTCReader::MAX_KEYWORDS) {
            // The catalogue ends each keyword with "|", so one holding it would come back as
            // two. Writers that put it in mostly mean a level of a hierarchy, which is "/" here.
            wxString keyword = text;
            keyword.Replace(wxS("|"), wxS("/"));
            result.keywords.insert(keyword);
        }
        break;
    case 80:
        if (result.creator.empty())
            result.creator = text;
        else if (result.creator.length() + text.length() + 2 <= IPTCReader::MAX_TEXT_LENGTH)
            result.creator += wxS("; ") + text;
        break;
    case 90:
        setOnce(result.city, text);
        break;
    case 92:
        setOnce(result.sublocation, text);
        break;
    case 95:
        setOnce(result.province, text);
        break;
    case 100:
        setOnce(result.countryCode, text);
        break;
    case 115:
        setOnce(result.source, text);
        break;
    case 116:
        setOnce(result.copyright, text);
        break;
    case 120:
        setOnce(result.caption, text);
        break;
    default:
        break;
    }
}

} // namespace

bool IPTCData::isEmpty() const
{
    return caption.empty() && keywords.empty() && creator.empty() && city.empty() &&
           sublocation.empty() && province.empty() && countryCode.empty() && source.empty() &&
           copyright.empty();
}

IPTCData IPTCReader::parseRecords(const unsigned char* data, size_t size)
{
    IPTCData result;
    bool declaredLatin1 = false;
    size_t pos = 0;
    while (data && pos + 5 <= size && data[pos] == TAG_MARKER) {
        const unsigned record = data[pos + 1];
        const unsigned dataset = data[pos + 2];
        size_t length = bigEndian(data + pos + 3, 2);
        pos += 5;
        if (length & 0x8000) {
            // Extended dataset: the low bits count the bytes that hold the real length.
            const size_t lengthBytes = length & 0x7fff;
            if (lengthBytes == 0 || lengthBytes > 4 || lengthBytes > size - pos) {
                QDEBUG("[IPTCREADER] Bad extended length at %d", static_cast<int>(pos));
                break;
            }
            length = bigEndian(data + pos, lengthBytes);
            pos += lengthBytes;
        }
        if (length > size - pos) {
            QDEBUG("[IPTCREADER] Record %u:%u runs past the end of the block", record, dataset);
            break;
        }
        const unsigned char* value = data + pos;
        pos += length;
        if (record == 1 && dataset == 90)
            declaredLatin1 = !declaresUtf8(value, length);
        else if (record == 2)
            store(result, dataset, recordText(value, length, declaredLatin1));
    }
    return result;
}

IPTCData IPTCReader::parseResources(const unsigned char* data, size_t size)
{
    if (!data)
        return IPTCData();
    size_t pos = 0;
    if (startsWith(data, size, PHOTOSHOP_PREFIX, sizeof(PHOTOSHOP_PREFIX)))
        pos = sizeof(PHOTOSHOP_PREFIX); // the prefix with its NUL
    // Signature (4), id (2), name as a Pascal string padded to even length (at least 2),
    // data size (4), data padded to even length.
    while (pos + 12 <= size) {
        const unsigned char* block = data + pos;
        if (std::memcmp(block, "8BIM", 4) != 0)
            break;
        const unsigned id = bigEndian(block + 4, 2);
        size_t nameLength = block[6] + 1u;
        nameLength += nameLength & 1u;
        if (nameLength + 10 > size - pos)
            break;
        const size_t dataStart = pos + 6 + nameLength + 4;
        const size_t dataLength = bigEndian(data + pos + 6 + nameLength, 4);
        if (dataLength > size - dataStart)
            break;
        if (id == IPTC_RESOURCE)
            return parseRecords(data + dataStart, dataLength);
        pos = dataStart + dataLength + (dataLength & 1u);
    }
    return IPTCData();
}

IPTCData IPTCReader::parse(const unsigned char* data, size_t size)
{
    if (!data || size == 0)
        return IPTCData();
    if (data[0] == TAG_MARKER)
        return parseRecords(data, size);
    return parseResources(data, size);
}

} // namespace Brenmarle
