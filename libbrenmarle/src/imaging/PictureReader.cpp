#include "imaging/PictureReader.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include <wx/filename.h>

#include "core/Exceptions.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/PictureFormats.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

bool startsWith(const unsigned char* data, size_t size, const char* prefix, size_t length)
{
    return size >= length && std::memcmp(data, prefix, length) == 0;
}

wxString magickText(const std::exception& e)
{
    return wxString::FromUTF8(e.what());
}

// Runs an ImageMagick read, turning its errors into ours. A warning (stray bytes between JPEG
// segments, data that ends early or is damaged part-way) comes once the decoder has delivered
// what it could, with the picture already in place: it is logged, and the caller finds out
// from the picture itself whether there is one.
template <typename Read> void runRead(const wxString& path, Read&& read)
{
    try {
        read();
    } catch (const Magick::Warning& warning) {
        QDEBUG("Magick WARNING: %s", magickText(warning));
    } catch (const Magick::Exception& error) {
        throw ImageException(
            wxString::Format("Could not read picture %s: %s", path, magickText(error)));
    }
}

// An ISO media file ("ftyp" box first) whose major brand is one of HEIF's still pictures.
bool isHeif(const unsigned char* head, size_t size)
{
    if (size < 12 || std::memcmp(head + 4, "ftyp", 4) != 0)
        return false;
    for (const char* brand : {"heic", "heix", "hevc", "hevx", "heim", "heis", "mif1", "msf1"}) {
        if (std::memcmp(head + 8, brand, 4) == 0)
            return true;
    }
    return false;
}

const char* rawCoderOf(const wxString& path, const wxString& contentType)
{
    if (PictureFormats::familyOf(path) == PictureFormats::Family::Raw)
        return PictureFormats::coderOf(path);
    const char* coder = PictureFormats::coderOfContentType(contentType);
    return coder && std::strcmp(coder, "HEIC") != 0 ? coder : nullptr;
}

uint32_t bigEndian32(const unsigned char* p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

uint32_t littleEndian32(const unsigned char* p)
{
    return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// The size a PNG, GIF or BMP header claims, read before ImageMagick sees the file: for a picture
// beyond the limits some coders fail without saying why ("No image was loaded").
bool declaredSize(const char* format, const unsigned char* head, size_t size, size_t& width,
                  size_t& height)
{
    if (std::strcmp(format, "PNG") == 0 && size >= 24) {
        width = bigEndian32(head + 16);
        height = bigEndian32(head + 20);
    } else if (std::strcmp(format, "GIF") == 0 && size >= 10) {
        width = size_t(head[6]) | size_t(head[7]) << 8;
        height = size_t(head[8]) | size_t(head[9]) << 8;
    } else if (std::strcmp(format, "BMP") == 0 && size >= 26) {
        width = littleEndian32(head + 18);
        // Negative heights mean rows stored top to bottom.
        const auto rows = static_cast<int32_t>(littleEndian32(head + 22));
        height = rows < 0 ? size_t(-int64_t(rows)) : size_t(rows);
    } else {
        return false;
    }
    return true;
}

wxString tooLarge(const wxString& path, size_t width, size_t height)
{
    return wxString::Format("Could not read picture %s: it is too large (%zu x %zu pixels)", path,
                            width, height);
}

// The size libjpeg delivers for a hint: IM asks for 1/k with k the whole number of times the
// hint fits, and libjpeg-turbo rounds that up to the next multiple of 1/8.
size_t scaledSide(size_t side, size_t factor)
{
    const size_t eighths = factor >= 8 ? 1 : (8 + factor - 1) / factor;
    return (side * eighths + 7) / 8;
}

} // namespace

PictureReader::PictureReader(const wxString& path, const wxString& contentType) : m_path(path)
{
    ensureImageMagick();
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.fn_str(), "rb"));
    if (!file)
        throw Quorvel::FileNotFoundException(wxString::Format("Could not open %s", path));
    if (std::fseek(file.get(), 0, SEEK_END) != 0)
        throw Quorvel::FileNotFoundException(wxString::Format("Could not read %s", path));
    const long length = std::ftell(file.get());
    std::rewind(file.get());
    if (length < 0)
        throw Quorvel::FileNotFoundException(wxString::Format("Could not read %s", path));
    if (length == 0)
        throw NoImageException(wxString::Format("The file %s is empty", path));
    if (static_cast<unsigned long>(length) > MAX_FILE_SIZE)
        throw ImageException(wxString::Format("The file %s is too large to be a picture", path));

    const auto size = static_cast<size_t>(length);
    std::unique_ptr<unsigned char[]> bytes(new unsigned char[size]);
    const size_t headSize = std::min<size_t>(size, 32);
    if (std::fread(bytes.get(), 1, headSize, file.get()) != headSize)
        throw Quorvel::FileNotFoundException(wxString::Format("Could not read %s", path));
    m_format = formatOf(bytes.get(), headSize, path, contentType);
    if (!m_format)
        throw NoImageException(wxString::Format("The file %s is not a picture", path));
    size_t width = 0;
    size_t height = 0;
    const ImageMagickLimits limits = currentImageMagickLimits();
    if (declaredSize(m_format, bytes.get(), headSize, width, height) &&
        (width > limits.width || height > limits.height))
        throw ImageException(tooLarge(path, width, height));
    const size_t rest = size - headSize;
    if (std::fread(bytes.get() + headSize, 1, rest, file.get()) != rest)
        throw Quorvel::FileNotFoundException(wxString::Format("Could not read %s", path));
    // The blob takes the buffer over (it frees it with delete[]).
    m_blob.updateNoCopy(bytes.release(), size, Magick::Blob::NewAllocator);
}

const unsigned char* PictureReader::getData() const
{
    return static_cast<const unsigned char*>(m_blob.data());
}

const char* PictureReader::formatOf(const unsigned char* head, size_t size, const wxString& path,
                                    const wxString& contentType)
{
    using Family = PictureFormats::Family;
    // Formats this computer may not decode: a file of one is no picture here.
    if (isHeif(head, size))
        return PictureFormats::canDecode(Family::Heif) ? "HEIC" : nullptr;
    // Most RAW files are TIFF inside: told by their name (or the type the catalogue keeps for
    // them) before the signature, since the TIFF coder would give a thumbnail at best.
    if (const char* raw = rawCoderOf(path, contentType))
        return PictureFormats::canDecode(Family::Raw) ? raw : nullptr;
    if (startsWith(head, size, "\xff\xd8\xff", 3))
        return "JPEG";
    if (startsWith(head, size, "\x89PNG\r\n\x1a\n", 8))
        return "PNG";
    if (startsWith(head, size, "GIF87a", 6) || startsWith(head, size, "GIF89a", 6))
        return "GIF";
    if (startsWith(head, size, "II*\0", 4) || startsWith(head, size, "MM\0*", 4) ||
        startsWith(head, size, "II+\0", 4) || startsWith(head, size, "MM\0+", 4))
        return "TIFF";
    if (startsWith(head, size, "BM", 2))
        return "BMP";
    if (wxFileName(path).GetExt().Lower() == wxS("tga") || contentType == wxS("image/x-tga"))
        return "TGA";
    return nullptr;
}

MagickCore::OrientationType PictureReader::getMirroring() const
{
    // Other coders report how their rows are stored (a TGA's origin), and put them right
    // themselves.
    if (std::strcmp(m_format, "JPEG") != 0 && std::strcmp(m_format, "TIFF") != 0)
        return MagickCore::TopLeftOrientation;
    const MagickCore::OrientationType orientation = ping().orientation();
    const bool mirrored = orientation == MagickCore::TopRightOrientation ||
                          orientation == MagickCore::BottomLeftOrientation ||
                          liesAcross(orientation);
    return mirrored ? orientation : MagickCore::TopLeftOrientation;
}

bool PictureReader::liesAcross(MagickCore::OrientationType orientation)
{
    return orientation == MagickCore::LeftTopOrientation ||
           orientation == MagickCore::RightBottomOrientation;
}

Magick::Image PictureReader::prepare() const
{
    Magick::Image image;
    image.quiet(false);
    image.magick(m_format);
    // Only the first frame: an animation or a multi-page file is shown by its first picture.
    image.subImage(0);
    image.subRange(1);
    return image;
}

const Magick::Image& PictureReader::ping() const
{
    if (!m_pinged) {
        Magick::Image header = prepare();
        runRead(m_path, [&] { header.ping(m_blob); });
        if (header.columns() == 0 || header.rows() == 0)
            throw ImageException(
                wxString::Format("Could not read picture %s: ImageMagick found none", m_path));
        m_header = header;
        m_pinged = true;
    }
    return m_header;
}

Magick::Image PictureReader::read(size_t hintWidth, size_t hintHeight) const
{
    const Magick::Image& header = ping();
    const size_t width = header.columns();
    const size_t height = header.rows();
    const bool useHint = std::strcmp(m_format, "JPEG") == 0 && hintWidth > 0 && hintHeight > 0 &&
                         width >= hintWidth && height >= hintHeight;
    const size_t factor = useHint ? std::min(width / hintWidth, height / hintHeight) : 1;
    const ImageMagickLimits limits = currentImageMagickLimits();
    if (scaledSide(width, factor) > limits.width || scaledSide(height, factor) > limits.height)
        throw ImageException(tooLarge(m_path, width, height));

    Magick::Image image = prepare();
    if (useHint)
        image.defineValue("jpeg", "size",
                          wxString::Format("%zux%zu", hintWidth, hintHeight).ToStdString());
    runRead(m_path, [&] { image.read(m_blob); });
    if (!image.isValid() || image.columns() == 0 || image.rows() == 0)
        throw ImageException(wxString::Format("Could not read picture %s", m_path));
    return image;
}

} // namespace Brenmarle
