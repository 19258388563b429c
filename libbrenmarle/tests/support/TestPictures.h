#pragma once
// Pictures and metadata blocks made on the fly for the imaging tests, so no binary fixtures are
// needed: EXIF blocks byte by byte (also broken ones), IPTC records, JPEG and other files made
// with Magick++.

#include <cstdint>
#include <string>
#include <vector>

#include <wx/string.h>

namespace TestPictures {

using Bytes = std::vector<unsigned char>;

// An EXIF block ("Exif\0\0" and a TIFF structure) with entries in IFD 0, the EXIF IFD (linked
// from IFD 0) and IFD 1 (the thumbnail's, linked as IFD 0's next).
class ExifBuilder {
public:
    enum Ifd { IFD0, EXIF, IFD1 };
    enum Type : uint16_t { BYTE = 1, ASCII = 2, SHORT = 3, LONG = 4 };

    explicit ExifBuilder(bool bigEndian = false) : m_bigEndian(bigEndian) {}

    // The text with its terminating NUL.
    ExifBuilder& ascii(Ifd ifd, uint16_t tag, const std::string& text);
    ExifBuilder& shortValue(Ifd ifd, uint16_t tag, uint16_t value);
    // Any entry as stored: `value` is written as the data (inline when 4 bytes or fewer).
    ExifBuilder& raw(Ifd ifd, uint16_t tag, uint16_t type, uint32_t count, const Bytes& value);

    Bytes build() const;

private:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        Bytes value;
    };
    bool m_bigEndian;
    std::vector<Entry> m_entries[3];
};

// The EXIF block most tests use: maker "Canon   " (padded, as some cameras write it), model,
// capture time and orientation.
Bytes cameraExif(uint16_t orientation, const std::string& dateTime = "2005:07:14 18:30:05");

// One IIM record 2:dataset (or record:dataset) with a standard 2-byte length.
Bytes iptcRecord(unsigned record, unsigned dataset, const std::string& value);
Bytes concat(std::initializer_list<Bytes> parts);

struct JpegOptions {
    Bytes exif; // APP1 profile, empty for none
    Bytes iptc; // raw IIM records, empty for none
    int quality = 90;
};

// A grey width x height picture whose top-left quarter is red, so a turn can be seen.
// Written in ImageMagick's format `magick` ("JPEG", "PNG", "TGA"...).
void writePicture(const wxString& path, int width, int height, const std::string& magick,
                  const JpegOptions& options = JpegOptions());
void writeJpeg(const wxString& path, int width, int height,
               const JpegOptions& options = JpegOptions());

// A real decompression bomb: a 30000 x 30000 one-bit PNG of zeros, about 110 KB on disk.
void writePngBomb(const wxString& path);

} // namespace TestPictures
