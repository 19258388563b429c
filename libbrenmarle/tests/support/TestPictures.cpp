#include "TestPictures.h"

#include <fstream>
#include <sstream>
#include <stdexcept>

#include <Magick++.h>
#include <zlib.h>

#include "imaging/ImageMagickSetup.h"

namespace TestPictures {

namespace {

class Writer {
public:
    explicit Writer(bool bigEndian) : m_bigEndian(bigEndian) {}
    void u16(uint16_t value)
    {
        if (m_bigEndian)
            bytes.insert(bytes.end(), {uint8_t(value >> 8), uint8_t(value)});
        else
            bytes.insert(bytes.end(), {uint8_t(value), uint8_t(value >> 8)});
    }
    void u32(uint32_t value)
    {
        if (m_bigEndian) {
            u16(uint16_t(value >> 16));
            u16(uint16_t(value));
        } else {
            u16(uint16_t(value));
            u16(uint16_t(value >> 16));
        }
    }
    Bytes bytes;

private:
    bool m_bigEndian;
};

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
    Writer writer(m_bigEndian);
    writer.u16(value);
    return raw(ifd, tag, SHORT, 1, writer.bytes);
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
        Writer pointer(m_bigEndian);
        pointer.u32(exifOffset);
        ifd0.push_back({0x8769, LONG, 1, pointer.bytes});
    }

    Writer out(m_bigEndian);
    out.bytes = m_bigEndian ? Bytes{'M', 'M', 0, 42} : Bytes{'I', 'I', 42, 0};
    out.u32(ifd0Offset);
    Bytes data;
    const auto writeIfd = [&](const std::vector<Entry>& entries, uint32_t next) {
        out.u16(uint16_t(entries.size()));
        for (const Entry& entry : entries) {
            out.u16(entry.tag);
            out.u16(entry.type);
            out.u32(entry.count);
            if (entry.value.size() <= 4) {
                Bytes inline4 = entry.value;
                inline4.resize(4, 0);
                out.bytes.insert(out.bytes.end(), inline4.begin(), inline4.end());
            } else {
                out.u32(dataOffset + uint32_t(data.size()));
                data.insert(data.end(), entry.value.begin(), entry.value.end());
                if (data.size() % 2)
                    data.push_back(0);
            }
        }
        out.u32(next);
    };
    writeIfd(ifd0, hasIfd1 ? ifd1Offset : 0);
    if (hasExif)
        writeIfd(m_entries[EXIF], 0);
    if (hasIfd1)
        writeIfd(m_entries[IFD1], 0);
    Bytes block = {'E', 'x', 'i', 'f', 0, 0};
    block.insert(block.end(), out.bytes.begin(), out.bytes.end());
    block.insert(block.end(), data.begin(), data.end());
    return block;
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
    const size_t rowBytes = 1 + (side + 7) / 8; // filter byte and one bit per pixel
    const auto chunk = [](std::string& png, const char* type, const std::string& data) {
        const auto be32 = [&png](uint32_t v) {
            png += char(v >> 24), png += char(v >> 16), png += char(v >> 8), png += char(v);
        };
        be32(uint32_t(data.size()));
        const std::string body = std::string(type, 4) + data;
        png += body;
        be32(uint32_t(crc32(0, reinterpret_cast<const Bytef*>(body.data()), uInt(body.size()))));
    };
    std::string header;
    for (int i = 0; i < 2; ++i)
        header += char(side >> 24), header += char(side >> 16), header += char(side >> 8),
            header += char(side);
    header += std::string("\x01\x00\x00\x00\x00", 5); // depth 1, grey, deflate, no filter, plain

    z_stream stream{};
    if (deflateInit(&stream, Z_BEST_COMPRESSION) != Z_OK)
        throw std::runtime_error("deflateInit failed");
    const std::string row(rowBytes, '\0');
    std::string compressed;
    char buffer[65536];
    for (uint32_t y = 0; y <= side; ++y) {
        const bool last = y == side;
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(row.data()));
        stream.avail_in = last ? 0 : uInt(row.size());
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof(buffer);
            deflate(&stream, last ? Z_FINISH : Z_NO_FLUSH);
            compressed.append(buffer, sizeof(buffer) - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);

    std::string png = "\x89PNG\r\n\x1a\n";
    chunk(png, "IHDR", header);
    chunk(png, "IDAT", compressed);
    chunk(png, "IEND", std::string());
    writeFile(path, png);
}

std::string readFile(const wxString& path)
{
    std::ifstream in(path.utf8_string(), std::ios::binary);
    std::stringstream buffer;
    buffer << in.rdbuf();
    return buffer.str();
}

void writeFile(const wxString& path, const std::string& content)
{
    std::ofstream out(path.utf8_string(), std::ios::binary);
    out << content;
    if (!out)
        throw std::runtime_error("could not write " + path.utf8_string());
}

} // namespace TestPictures
