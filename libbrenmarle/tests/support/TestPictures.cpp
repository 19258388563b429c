#include "TestPictures.h"

#include <stdexcept>

#include <Magick++.h>
#include <zlib.h>

#include "ScratchDir.h"
#include "imaging/ImageMagickSetup.h"

namespace TestPictures {

namespace {

// Appends `value` as `size` bytes in the block's byte order.
void put(Bytes& out, uint32_t value, int size, bool bigEndian)
{
    for (int i = 0; i < size; ++i)
        out.push_back(uint8_t(value >> (8 * (bigEndian ? size - 1 - i : i))));
}

uint32_t ifdSize(size_t entries)
{
    return uint32_t(2 + 12 * entries + 4);
}

} // namespace

ExifBuilder& ExifBuilder::ascii(Ifd ifd, uint16_t tag, const std::string& text)
{
    Bytes value(text.begin(), text.end());
    value.push_back(0);
    return raw(ifd, tag, ASCII, uint32_t(value.size()), value);
}

ExifBuilder& ExifBuilder::shortValue(Ifd ifd, uint16_t tag, uint16_t value)
{
    Bytes bytes;
    put(bytes, value, 2, m_bigEndian);
    return raw(ifd, tag, SHORT, 1, bytes);
}

ExifBuilder& ExifBuilder::raw(Ifd ifd, uint16_t tag, uint16_t type, uint32_t count,
                              const Bytes& value)
{
    m_entries[ifd].push_back({tag, type, count, value});
    return *this;
}

Bytes ExifBuilder::build() const
{
    std::vector<Entry> ifd0 = m_entries[IFD0];
    const bool hasExif = !m_entries[EXIF].empty();
    const bool hasIfd1 = !m_entries[IFD1].empty();
    const uint32_t ifd0Offset = 8;
    const uint32_t exifOffset = ifd0Offset + ifdSize(ifd0.size() + (hasExif ? 1 : 0));
    const uint32_t ifd1Offset = exifOffset + (hasExif ? ifdSize(m_entries[EXIF].size()) : 0);
    uint32_t dataOffset = ifd1Offset + (hasIfd1 ? ifdSize(m_entries[IFD1].size()) : 0);
    if (hasExif) {
        Bytes pointer;
        put(pointer, exifOffset, 4, m_bigEndian);
        ifd0.push_back({0x8769, LONG, 1, pointer});
    }

    const uint8_t order = m_bigEndian ? 'M' : 'I';
    Bytes out = {'E', 'x', 'i', 'f', 0, 0, order, order};
    put(out, 42, 2, m_bigEndian);
    put(out, ifd0Offset, 4, m_bigEndian);
    Bytes data;
    const auto writeIfd = [&](const std::vector<Entry>& entries, uint32_t next) {
        put(out, uint32_t(entries.size()), 2, m_bigEndian);
        for (const Entry& entry : entries) {
            put(out, entry.tag, 2, m_bigEndian);
            put(out, entry.type, 2, m_bigEndian);
            put(out, entry.count, 4, m_bigEndian);
            if (entry.value.size() <= 4) {
                out.insert(out.end(), entry.value.begin(), entry.value.end());
                out.resize(out.size() + 4 - entry.value.size(), 0);
            } else {
                put(out, dataOffset + uint32_t(data.size()), 4, m_bigEndian);
                data.insert(data.end(), entry.value.begin(), entry.value.end());
                if (data.size() % 2)
                    data.push_back(0);
            }
        }
        put(out, next, 4, m_bigEndian);
    };
    writeIfd(ifd0, hasIfd1 ? ifd1Offset : 0);
    if (hasExif)
        writeIfd(m_entries[EXIF], 0);
    if (hasIfd1)
        writeIfd(m_entries[IFD1], 0);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

Bytes cameraExif(uint16_t orientation, const std::string& dateTime)
{
    return ExifBuilder()
        .ascii(ExifBuilder::IFD0, 0x010f, "Canon   ")
        .ascii(ExifBuilder::IFD0, 0x0110, "Canon PowerShot A80")
        .shortValue(ExifBuilder::IFD0, 0x0112, orientation)
        .ascii(ExifBuilder::IFD0, 0x8298, "(c) Ada Lovelace")
        .ascii(ExifBuilder::EXIF, 0x9003, dateTime)
        .build();
}

Bytes iptcRecord(unsigned record, unsigned dataset, const std::string& value)
{
    // Built in one go: inserting into a 5-byte vector trips a false GCC 12 bounds warning.
    std::string bytes = {'\x1c', char(record), char(dataset), char(value.size() >> 8),
                         char(value.size())};
    bytes += value;
    return Bytes(bytes.begin(), bytes.end());
}

Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

void writePicture(const wxString& path, int width, int height, const std::string& magick,
                  const JpegOptions& options)
{
    Brenmarle::ensureImageMagick();
    Magick::Image image(Magick::Geometry(size_t(width), size_t(height)), Magick::Color("gray50"));
    image.fillColor("red");
    image.strokeColor("red");
    image.draw(Magick::DrawableRectangle(0, 0, (width - 1) / 2.0, (height - 1) / 2.0));
    if (!options.iptc.empty())
        image.profile("iptc", Magick::Blob(options.iptc.data(), options.iptc.size()));
    image.quality(size_t(options.quality));
    image.magick(magick);
    Magick::Blob blob;
    image.write(&blob);
    std::string bytes(static_cast<const char*>(blob.data()), blob.length());
    if (!options.exif.empty()) {
        // Put in by hand: ImageMagick would rewrite the block (its orientation among others).
        if (magick != "JPEG" || options.exif.size() + 2 > 0xffff)
            throw std::invalid_argument("EXIF only fits into a JPEG APP1 segment");
        const size_t length = options.exif.size() + 2;
        std::string app1 = {'\xff', '\xe1', char(length >> 8), char(length)};
        app1.append(options.exif.begin(), options.exif.end());
        bytes.insert(2, app1); // right after the start-of-image marker
    }
    writeFile(path, bytes);
}

void writeJpeg(const wxString& path, int width, int height, const JpegOptions& options)
{
    writePicture(path, width, height, "JPEG", options);
}

void writePngBomb(const wxString& path)
{
    const uint32_t side = 30000;
    const auto be32 = [](std::string& out, uint32_t value) {
        for (int shift = 24; shift >= 0; shift -= 8)
            out += char(value >> shift);
    };
    std::string png = "\x89PNG\r\n\x1a\n";
    const auto chunk = [&](const char* type, const std::string& data) {
        be32(png, uint32_t(data.size()));
        const std::string body = type + data;
        png += body;
        be32(png,
             uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    };
    std::string header;
    be32(header, side);
    be32(header, side);
    header += std::string("\x01\x00\x00\x00\x00", 5); // depth 1, grey, deflate, no filter, plain

    // Every row is a filter byte and one bit per pixel, all zero; compressed row by row.
    z_stream stream{};
    if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("deflateInit failed");
    std::string row(1 + (side + 7) / 8, '\0');
    std::string compressed;
    char buffer[65536];
    for (uint32_t y = 0; y <= side; ++y) {
        stream.next_in = reinterpret_cast<Bytef*>(row.data());
        stream.avail_in = y < side ? uInt(row.size()) : 0;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof(buffer);
            deflate(&stream, y < side ? Z_NO_FLUSH : Z_FINISH);
            compressed.append(buffer, sizeof(buffer) - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    chunk("IHDR", header);
    chunk("IDAT", compressed);
    chunk("IEND", std::string());
    writeFile(path, png);
}

} // namespace TestPictures
