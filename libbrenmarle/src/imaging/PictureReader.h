#pragma once
// Internal to the imaging module (it brings in Magick++): reads a picture file for ImageMagick
// without letting ImageMagick decide what the file is.
//
// The whole file is read into memory and its format told by its first bytes; only JPEG, PNG,
// GIF, TIFF and BMP (and TGA, which has no signature, by its ".tga" extension or the content type
// "image/x-tga" the catalogue keeps for it) are handed to ImageMagick, and always with the coder
// named; so are HEIF pictures and cameras' RAW files (by their name or the content type kept for
// them), where this computer can decode them (see PictureFormats). So a text or script file named
// ".jpg" never reaches a coder that would interpret it, and file names with ":" or "[...]" in them
// are not mistaken for ImageMagick's format prefixes and frame selections.
//
// ImageMagick warnings are logged ("Magick WARNING: %s") and otherwise ignored: a JPEG that ends
// early or is damaged part-way (a card pulled too soon, a camera's glitch) gives what could be
// decoded, as other viewers show it; only a file that yields no picture at all fails. Every
// failure is an ImageException (NoImageException for a file that holds no picture of a known
// kind). Objects are used by one thread at a time.

#include <cstddef>

#include <Magick++.h>
#include <wx/string.h>

namespace Brenmarle {

class PictureReader {
public:
    // Files larger than this are refused before they are read.
    static constexpr size_t MAX_FILE_SIZE = size_t(1) << 30;

    // Reads the file. `contentType` is the file's content type when known: pictures in the store
    // are named ".vsaf", so for them it is what tells a TGA. Throws NoImageException (empty or no
    // known picture format), ImageException (too large) or Quorvel::FileNotFoundException
    // (cannot be opened or read).
    explicit PictureReader(const wxString& path, const wxString& contentType = wxString());

    const wxString& getPath() const { return m_path; }
    // ImageMagick's name of the format: "JPEG", "PNG", "GIF", "TIFF", "BMP", "TGA", "HEIC" or
    // a RAW coder ("NEF", "CR2", ...).
    const char* getFormat() const { return m_format; }
    const unsigned char* getData() const;
    size_t getSize() const { return m_blob.length(); }

    // The picture's header: size, profiles and properties, no pixels. Read once and kept.
    const Magick::Image& ping() const;
    // Decodes the first frame. With a hint, a JPEG is decoded scaled down by the largest factor
    // that keeps both sides at least the hint; the hint is ignored when the picture is smaller,
    // since the decoder would then scale it up.
    Magick::Image read(size_t hintWidth = 0, size_t hintHeight = 0) const;

    // The mirroring the picture's orientation tag (EXIF in a JPEG, the TIFF tag) asks for:
    // orientation 2, 4, 5 or 7, or TopLeftOrientation for none. The turns (3, 6, 8) are not
    // mirrorings: they are the file's image rotation. Reads the header (see ping()).
    MagickCore::OrientationType getMirroring() const;
    // Whether the orientation also lays the stored pixels across (5 and 7), so the picture as
    // meant is rows x columns.
    static bool liesAcross(MagickCore::OrientationType orientation);

    // The format of a file that starts with `head` and has the given name and content type, or
    // null.
    static const char* formatOf(const unsigned char* head, size_t size, const wxString& path,
                                const wxString& contentType = wxString());

private:
    Magick::Image prepare() const;

    wxString m_path;
    const char* m_format = nullptr;
    Magick::Blob m_blob;
    mutable Magick::Image m_header;
    mutable bool m_pinged = false;
};

} // namespace Brenmarle
