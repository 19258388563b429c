#include "imaging/ImageData.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <system_error>

#include <unistd.h>

#include <Magick++.h>
#include <wx/filename.h>

#include "core/Exceptions.h"
#include "imaging/LanczosResampler.h"
#include "imaging/PictureReader.h"
#include "system/Log.h"

namespace Brenmarle {

struct ImageData::Picture {
    Magick::Image image;
};

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void require(bool condition, const char* text)
{
    if (!condition)
        throw Quorvel::LogicException(
            wxString::Format("Precondition failed: %s (ImageData.cpp)", text));
}

wxString magickText(const std::exception& e)
{
    return wxString::FromUTF8(e.what());
}

// Runs one ImageMagick call. Magick++ throws a warning only after the call has done its work
// (the new picture is already in place), so a warning is logged and the work goes on; had it
// been thrown out of a sequence of calls, the rest would be skipped and the picture left half
// done. Errors pass.
template <typename Call> void tolerateWarning(Call&& call)
{
    try {
        call();
    } catch (const Magick::Warning& warning) {
        QDEBUG("Magick WARNING: %s", magickText(warning));
    }
}

// Runs ImageMagick operations on a picture already in memory, turning their errors into ours.
// Each call within goes through tolerateWarning.
template <typename Operation> void runMagick(const char* what, Operation&& operation)
{
    try {
        operation();
    } catch (const Magick::Warning& warning) {
        QDEBUG("Magick WARNING: %s", magickText(warning));
    } catch (const Magick::Exception& error) {
        throw ImageException(
            wxString::Format("Could not %s the picture: %s", what, magickText(error)));
    }
}

// ImageMagick remembers a picture that was grey as grey (its image type), and its JPEG and PNG
// writers then write one channel, whatever the pixels became since: a sepia made from it would
// be saved grey. A picture of ours is true colour after every step. Transparency is kept.
void markTrueColour(Magick::Image& image)
{
    tolerateWarning([&] {
        image.type(image.matte() ? MagickCore::TrueColorMatteType : MagickCore::TrueColorType);
    });
}

// Decoders deliver palette, grey or CMYK pictures as they are stored; everything after loading
// (scaling, drawing, writing JPEG) expects sRGB pixels. Transparency is kept.
void makeTrueColour(Magick::Image& image)
{
    const MagickCore::ColorspaceType space = image.colorSpace();
    if (space != MagickCore::sRGBColorspace && space != MagickCore::RGBColorspace)
        tolerateWarning([&] { image.colorSpace(MagickCore::sRGBColorspace); });
    if (image.classType() != MagickCore::DirectClass)
        tolerateWarning([&] { image.classType(MagickCore::DirectClass); });
    markTrueColour(image);
}

// A change of colour space drops the picture's colour profile, although a round trip to grey
// and back leaves its pixels in the space the profile describes. The profile is put back as it
// was, not applied again.
class KeptColourProfiles {
public:
    explicit KeptColourProfiles(const Magick::Image& image)
    {
        for (const char* name : NAMES) {
            const MagickCore::StringInfo* profile =
                MagickCore::GetImageProfile(image.constImage(), name);
            m_profiles.emplace_back(profile ? MagickCore::CloneStringInfo(profile) : nullptr);
        }
    }
    void restore(Magick::Image& image) const
    {
        for (size_t i = 0; i < std::size(NAMES); ++i) {
            if (m_profiles[i] && !MagickCore::GetImageProfile(image.constImage(), NAMES[i]))
                MagickCore::SetImageProfile(image.image(), NAMES[i], m_profiles[i].get());
        }
    }

private:
    static constexpr const char* NAMES[] = {"icc", "icm"};
    struct Destroy {
        void operator()(MagickCore::StringInfo* info) const { MagickCore::DestroyStringInfo(info); }
    };
    std::vector<std::unique_ptr<MagickCore::StringInfo, Destroy>> m_profiles;
};

struct Size {
    size_t width;
    size_t height;
};

// The size of a width x height picture zoomed to fit within the box; a side of 0 in the box
// leaves that side free. Never smaller than 1 x 1.
Size fitWithin(size_t width, size_t height, size_t boxWidth, size_t boxHeight, bool enlarge)
{
    double scale = std::numeric_limits<double>::infinity();
    if (boxWidth > 0)
        scale = std::min(scale, double(boxWidth) / double(width));
    if (boxHeight > 0)
        scale = std::min(scale, double(boxHeight) / double(height));
    if (!enlarge)
        scale = std::min(scale, 1.0);
    const auto side = [scale](size_t length) {
        return std::max<size_t>(1, static_cast<size_t>(std::lround(double(length) * scale)));
    };
    return {side(width), side(height)};
}

void zoomTo(Magick::Image& image, Size size)
{
    if (image.columns() == size.width && image.rows() == size.height)
        return;
    Magick::Geometry geometry(size.width, size.height);
    geometry.aspect(true); // the size is already the fitted one; use it exactly
    tolerateWarning([&] { image.resize(geometry); });
}

struct ExceptionInfoDestroyer {
    void operator()(MagickCore::ExceptionInfo* info) const
    {
        MagickCore::DestroyExceptionInfo(info);
    }
};

// Shrinks a picture of 8-bit samples without transparency (a decoded JPEG) with the filter
// ImageMagick's resize would choose for it, on its 8-bit samples: several times faster than
// ImageMagick's own pass over 16-bit samples (LanczosResampler). The new picture is a clone of
// the old at the new size, so it keeps every profile, property and setting, as a resize does.
// False, changing nothing, for any other picture or size.
bool shrinkEightBit(Magick::Image& image, Size size)
{
    const size_t width = image.columns();
    const size_t height = image.rows();
    if (image.matte() || image.depth() > 8 || size.width > width || size.height > height ||
        (size.width == width && size.height == height))
        return false;
    std::vector<unsigned char> pixels(width * height * 3);
    image.write(0, 0, width, height, "RGB", MagickCore::CharPixel, pixels.data());
    const std::vector<unsigned char> shrunk =
        LanczosResampler::shrink(pixels.data(), width, height, 3, size.width, size.height);
    pixels = {}; // given back before the new picture takes its memory

    std::unique_ptr<MagickCore::ExceptionInfo, ExceptionInfoDestroyer> exception(
        MagickCore::AcquireExceptionInfo());
    MagickCore::Image* clone = MagickCore::CloneImage(image.constImage(), size.width, size.height,
                                                      MagickCore::MagickTrue, exception.get());
    if (!clone) {
        Magick::throwException(exception.get());
        return false;
    }
    Magick::Image result(clone); // owns the clone from here
    if (!MagickCore::ImportImagePixels(result.image(), 0, 0, size.width, size.height, "RGB",
                                       MagickCore::CharPixel, shrunk.data())) {
        Magick::throwException(&result.image()->exception);
        return false;
    }
    image = result;
    return true;
}

int normalisedDegrees(int degrees)
{
    degrees %= 360;
    return degrees < 0 ? degrees + 360 : degrees;
}

void turn(Magick::Image& image, int degrees)
{
    degrees = normalisedDegrees(degrees);
    if (degrees != 0)
        tolerateWarning([&] { image.rotate(degrees); });
    // ImageMagick writes this into the EXIF block when it saves the picture.
    image.orientation(MagickCore::TopLeftOrientation);
}

// A mirroring (PictureReader::getMirroring) cannot be undone by a rotation, so the picture is
// put the way it was meant as it is decoded, and the file's rotation (0 for these) turns that.
// The tag is then reset, so a save does not mirror the pixels a second time.
void unmirror(Magick::Image& image, MagickCore::OrientationType mirroring)
{
    switch (mirroring) {
    case MagickCore::TopRightOrientation:
        tolerateWarning([&] { image.flop(); });
        break;
    case MagickCore::BottomLeftOrientation:
        tolerateWarning([&] { image.flip(); });
        break;
    case MagickCore::LeftTopOrientation:
        tolerateWarning([&] { image.transpose(); });
        break;
    case MagickCore::RightBottomOrientation:
        tolerateWarning([&] { image.transverse(); });
        break;
    default:
        return;
    }
    image.orientation(MagickCore::TopLeftOrientation);
}

void removeMetadata(Magick::Image& image)
{
    for (const char* name : {"exif", "xmp", "iptc", "8bim"})
        tolerateWarning([&] { image.profile(name, Magick::Blob()); });
    tolerateWarning([&] { image.comment(std::string()); });
}

// A JPEG has no transparency; without this, transparent areas would show whatever colour the
// pixels under them happen to have (often black). White goes under the picture in place, so its
// EXIF, IPTC, XMP, colour profile and comment stay with it.
void flattenOntoWhite(Magick::Image& image)
{
    if (!image.matte())
        return;
    const Magick::Image background(Magick::Geometry(image.columns(), image.rows()),
                                   Magick::Color("white"));
    tolerateWarning([&] { image.composite(background, 0, 0, MagickCore::DstOverCompositeOp); });
    image.matte(false);
    markTrueColour(image);
}

// Writes `blob` beside `path` under a unique name and renames it into place, so a reader (or
// a crash) never sees half a file.
void writeAtomically(const wxString& path, const Magick::Blob& blob)
{
    static std::atomic<unsigned> counter{0};
    const wxString temporary =
        wxString::Format("%s.part-%ld-%u", path, static_cast<long>(getpid()), counter.fetch_add(1));
    {
        std::unique_ptr<std::FILE, FileCloser> file(std::fopen(temporary.fn_str(), "wbx"));
        if (!file)
            throw Quorvel::IOException(wxString::Format("Could not write %s", path));
        const bool written =
            std::fwrite(blob.data(), 1, blob.length(), file.get()) == blob.length();
        const bool closed = std::fclose(file.release()) == 0;
        if (!written || !closed) {
            wxRemoveFile(temporary);
            throw Quorvel::IOException(wxString::Format("Could not write %s", path));
        }
    }
    if (std::rename(temporary.fn_str(), path.fn_str()) != 0) {
        wxRemoveFile(temporary);
        throw Quorvel::IOException(wxString::Format("Could not write %s", path));
    }
}

// ImageMagick keeps its inverse of ScaleQuantumToChar private.
MagickCore::Quantum quantumOf(unsigned char value)
{
    using MagickCore::Quantum; // QuantumRange names it unqualified
    return static_cast<MagickCore::Quantum>(value * (double(QuantumRange) / 255.0) + 0.5);
}

// The sepia ramp runs through these rows; between them it is interpolated, so it rises in every
// column and the greys keep their order.
struct SepiaAnchor {
    int row;
    RGBColour colour;
};
constexpr SepiaAnchor SEPIA_ANCHORS[] = {{0, {24, 16, 9}},
                                         {64, {71, 46, 27}},
                                         {128, {126, 96, 72}},
                                         {192, {185, 166, 150}},
                                         {255, {251, 250, 250}}};

std::array<RGBColour, 256> makeSepiaTable()
{
    std::array<RGBColour, 256> table{};
    for (size_t a = 0; a + 1 < std::size(SEPIA_ANCHORS); ++a) {
        const SepiaAnchor& from = SEPIA_ANCHORS[a];
        const SepiaAnchor& to = SEPIA_ANCHORS[a + 1];
        for (int row = from.row; row <= to.row; ++row) {
            const double t = double(row - from.row) / double(to.row - from.row);
            const auto mix = [t](unsigned char x, unsigned char y) {
                return static_cast<unsigned char>(std::lround(x + (y - x) * t));
            };
            table[size_t(row)] = {mix(from.colour.red, to.colour.red),
                                  mix(from.colour.green, to.colour.green),
                                  mix(from.colour.blue, to.colour.blue)};
        }
    }
    return table;
}

} // namespace

ImageData::ImageData() = default;
ImageData::~ImageData() = default;

ImageData::ImageData(const ImageData& other) : Quorvel::ReferenceCounted()
{
    std::lock_guard<std::mutex> lock(other.m_mutex);
    if (other.m_picture)
        m_picture = std::make_unique<Picture>(Picture{other.m_picture->image});
    else
        m_drawable = other.m_drawable; // never changed in place: it can be shared
}

bool ImageData::isLoaded() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_picture || m_drawable;
}

void ImageData::requireLoaded() const
{
    if (m_picture)
        return;
    if (!m_drawable)
        throw Quorvel::NotLoadedException(wxS("The picture is not loaded"));
    const RGBImage& drawable = *m_drawable;
    runMagick("draw", [&] {
        const size_t pixels = size_t(drawable.width) * size_t(drawable.height);
        if (drawable.alpha.empty()) {
            m_picture = std::make_unique<Picture>(
                Picture{Magick::Image(drawable.width, drawable.height, "RGB", MagickCore::CharPixel,
                                      drawable.rgb.data())});
            return;
        }
        std::vector<unsigned char> rgba(pixels * 4);
        for (size_t i = 0; i < pixels; ++i) {
            std::copy_n(&drawable.rgb[i * 3], 3, &rgba[i * 4]);
            rgba[i * 4 + 3] = drawable.alpha[i];
        }
        m_picture = std::make_unique<Picture>(Picture{Magick::Image(
            drawable.width, drawable.height, "RGBA", MagickCore::CharPixel, rgba.data())});
    });
}

void ImageData::keepDrawableOnly()
{
    getDrawable();
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_drawable)
        m_picture.reset();
}

std::size_t ImageData::memoryBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t bytes = 0;
    if (m_picture)
        bytes += static_cast<std::size_t>(m_picture->image.columns()) * m_picture->image.rows() *
                 sizeof(MagickCore::PixelPacket);
    if (m_drawable)
        bytes += m_drawable->rgb.size() + m_drawable->alpha.size();
    return bytes;
}

void ImageData::replace(std::unique_ptr<Picture> picture)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_picture = std::move(picture);
    m_drawable.reset();
}

void ImageData::load(const wxString& path, const wxString& contentType)
{
    PictureReader reader(path, contentType);
    auto picture = std::make_unique<Picture>(Picture{reader.read()});
    runMagick("convert", [&] {
        makeTrueColour(picture->image);
        unmirror(picture->image, reader.getMirroring());
    });
    replace(std::move(picture));
}

void ImageData::loadPreview(const wxString& path, const wxString& contentType)
{
    PictureReader reader(path, contentType);
    auto picture = std::make_unique<Picture>(Picture{reader.read(PREVIEW_WIDTH, PREVIEW_HEIGHT)});
    runMagick("convert", [&] {
        makeTrueColour(picture->image);
        unmirror(picture->image, reader.getMirroring());
    });
    replace(std::move(picture));
}

void ImageData::loadFitted(const wxString& path, int width, int height, int rotation, Fit fit,
                           const wxString& contentType)
{
    require(width > 0 && height > 0, "width > 0 && height > 0");
    PictureReader reader(path, contentType);
    const Magick::Image& header = reader.ping();
    // The box is given for the turned picture; the decoder works on the stored one, which a
    // mirrored orientation may lay across as well.
    const bool sideways = (normalisedDegrees(rotation) % 180 != 0) !=
                          PictureReader::liesAcross(reader.getMirroring());
    const size_t boxWidth = static_cast<size_t>(sideways ? height : width);
    const size_t boxHeight = static_cast<size_t>(sideways ? width : height);
    const Size fitted = fitWithin(header.columns(), header.rows(), boxWidth, boxHeight, false);
    const size_t oversample = fit == Fit::Thumbnail ? 2 : 1;
    auto picture = std::make_unique<Picture>(
        Picture{reader.read(fitted.width * oversample, fitted.height * oversample)});
    runMagick("scale", [&] {
        makeTrueColour(picture->image);
        if (fit == Fit::Thumbnail)
            picture->image.filterType(MagickCore::TriangleFilter);
        zoomTo(picture->image, fitted);
        unmirror(picture->image, reader.getMirroring());
        turn(picture->image, rotation);
    });
    replace(std::move(picture));
}

void ImageData::loadZoomed(const wxString& path, int width, int height, int rotation,
                           const wxString& contentType)
{
    require(width > 0 && height > 0, "width > 0 && height > 0");
    PictureReader reader(path, contentType);
    // The decoder works on the stored pixels, which orientations 5 and 7 lay across.
    const bool across = PictureReader::liesAcross(reader.getMirroring());
    const Size stored{static_cast<size_t>(across ? height : width),
                      static_cast<size_t>(across ? width : height)};
    auto picture =
        std::make_unique<Picture>(Picture{reader.read(stored.width, stored.height)});
    runMagick("scale", [&] {
        makeTrueColour(picture->image);
        if (!shrinkEightBit(picture->image, stored))
            zoomTo(picture->image, stored);
        unmirror(picture->image, reader.getMirroring());
        turn(picture->image, rotation);
    });
    replace(std::move(picture));
}

void ImageData::save(const wxString& path, int format, int quality, Metadata metadata) const
{
    const char* magick = format == FORMAT_JPEG ? "JPEG" : format == FORMAT_PNG ? "PNG" : nullptr;
    if (!magick) {
        QDEBUG("[IMAGEDATA] Unsupported image format type %d", format);
        throw Quorvel::RuntimeException(wxS("Unsupported image format type"));
    }
    require(quality >= 0 && quality <= 100, "quality >= 0 && quality <= 100");
    Magick::Image image;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        requireLoaded();
        // Also a picture made again from its drawable copy, which the writers would take for
        // grey when its channels are equal.
        runMagick("save", [&] { markTrueColour(m_picture->image); });
        image = m_picture->image; // shares the pixels until one side changes
    }
    const wxString directory = wxFileName(path).GetPath();
    if (!directory.empty() && !makeDirectory(directory))
        throw Quorvel::IOException(wxS("Could not create directory: ") + directory);

    Magick::Blob blob;
    try {
        if (metadata == Metadata::Strip)
            removeMetadata(image);
        if (format == FORMAT_JPEG)
            flattenOntoWhite(image);
        image.magick(magick);
        image.quality(static_cast<size_t>(quality));
        // A warning (a profile too large for a JPEG segment, cut down to fit) leaves the
        // written picture in the blob.
        tolerateWarning([&] { image.write(&blob); });
        if (blob.length() == 0)
            throw Magick::ErrorBlob("no data was written");
    } catch (const Magick::Exception& error) {
        QDEBUG("[IMAGEDATA] SAVE FAILED: %s", magickText(error));
        throw ImageException(wxString::Format("Could not save %s: %s", path, magickText(error)));
    }
    writeAtomically(path, blob);
}

bool ImageData::makeDirectory(const wxString& directory)
{
    // Unlike wxFileName::Mkdir, a part that another thread makes meanwhile is no failure, and
    // nothing is logged: the caller reports a failure its own way.
    std::error_code error;
    std::filesystem::create_directories(std::filesystem::path(directory.fn_str().data()), error);
    return wxFileName::DirExists(directory);
}

void ImageData::crop(int x, int y, int width, int height)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    Magick::Image& image = m_picture->image;
    require(x >= 0 && y >= 0, "x >= 0 && y >= 0");
    require(width > 0 && height > 0, "width > 0 && height > 0");
    require(size_t(x) + size_t(width) <= image.columns(), "x + width <= columns");
    require(size_t(y) + size_t(height) <= image.rows(), "y + height <= rows");
    runMagick("crop", [&] {
        tolerateWarning([&] { image.crop(Magick::Geometry(size_t(width), size_t(height), x, y)); });
        image.page(Magick::Geometry(0, 0)); // forget the offset into the old canvas
    });
    m_drawable.reset();
}

void ImageData::resize(int width, int height)
{
    require(width >= 0 && height >= 0, "width >= 0 && height >= 0");
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    if (width == 0 && height == 0)
        return;
    Magick::Image& image = m_picture->image;
    runMagick("resize", [&] {
        zoomTo(image,
               fitWithin(image.columns(), image.rows(), size_t(width), size_t(height), true));
    });
    m_drawable.reset();
}

void ImageData::rotate(int degrees)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    runMagick("rotate", [&] { turn(m_picture->image, degrees); });
    m_drawable.reset();
}

void ImageData::stripMetadata()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    runMagick("change", [&] { removeMetadata(m_picture->image); });
}

template <typename Map> void ImageData::mapPixels(Map&& map)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    Magick::Image& image = m_picture->image;
    runMagick("change", [&] {
        image.modifyImage(); // the pixels may be shared with a copy
        const size_t columns = image.columns();
        const size_t rows = image.rows();
        Magick::Pixels view(image);
        for (size_t y = 0; y < rows; ++y) {
            MagickCore::PixelPacket* pixel = view.get(0, ssize_t(y), columns, 1);
            for (size_t x = 0; x < columns; ++x, ++pixel) {
                unsigned char red = MagickCore::ScaleQuantumToChar(pixel->red);
                unsigned char green = MagickCore::ScaleQuantumToChar(pixel->green);
                unsigned char blue = MagickCore::ScaleQuantumToChar(pixel->blue);
                map(red, green, blue);
                pixel->red = quantumOf(red);
                pixel->green = quantumOf(green);
                pixel->blue = quantumOf(blue);
            }
            view.sync();
        }
        markTrueColour(image);
    });
    m_drawable.reset();
}

void ImageData::normalize()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    runMagick("change", [&] { m_picture->image.normalize(); });
    m_drawable.reset();
}

void ImageData::makeGrayscale()
{
    QDEBUG("[IMAGEDATA] Make grayscale");
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    Magick::Image& image = m_picture->image;
    runMagick("change", [&] {
        const KeptColourProfiles profiles(image);
        tolerateWarning([&] { image.colorSpace(MagickCore::GRAYColorspace); });
        tolerateWarning([&] { image.colorSpace(MagickCore::sRGBColorspace); });
        markTrueColour(image);
        profiles.restore(image);
    });
    m_drawable.reset();
}

void ImageData::colorize()
{
    makeGrayscale();
    QDEBUG("[IMAGEDATA] Colorize");
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        requireLoaded();
        runMagick("change", [&] {
            tolerateWarning([&] {
                m_picture->image.colorize(30, 30, 30, Magick::ColorRGB(1.0, 128.0 / 255.0, 0.0));
            });
            markTrueColour(m_picture->image);
        });
        m_drawable.reset();
    }
    normalize();
}

void ImageData::makeSepia()
{
    static const std::array<RGBColour, 256> table = makeSepiaTable();
    mapPixels([](unsigned char& red, unsigned char& green, unsigned char& blue) {
        // Integer weights: the same truncation as 0.3 r + 0.59 g + 0.11 b without rounding
        // errors of the binary fractions.
        const unsigned luminance = (30u * red + 59u * green + 11u * blue) / 100u;
        const RGBColour& colour = table[luminance];
        red = colour.red;
        green = colour.green;
        blue = colour.blue;
    });
}

RGBColour ImageData::sepiaColour(unsigned char luminance)
{
    static const std::array<RGBColour, 256> table = makeSepiaTable();
    return table[luminance];
}

ImageData::LookupTable ImageData::brightnessContrastTable(int brightness, int contrast)
{
    require(brightness >= -100 && brightness <= 100, "-100 <= brightness <= 100");
    require(contrast >= -100 && contrast <= 100, "-100 <= contrast <= 100");
    double k = 1.0;
    if (contrast == 100)
        k = 10000.0;
    else if (contrast == -100)
        k = 0.0;
    else if (contrast > 0)
        k = 100.0 / (100.0 - contrast);
    else if (contrast < 0)
        k = (contrast + 100.0) / 100.0;
    LookupTable table{};
    for (int i = 0; i < 256; ++i) {
        double value = i + brightness;
        if (contrast > 0)
            value = std::trunc((i - (128 - brightness)) * k + 128);
        else if (contrast < 0)
            value = std::trunc((brightness + 128) + (i - 128) * k);
        table[size_t(i)] = static_cast<unsigned char>(std::clamp(value, 0.0, 255.0));
    }
    return table;
}

void ImageData::adjustBrightnessContrast(int brightness, int contrast)
{
    const LookupTable table = brightnessContrastTable(brightness, contrast);
    mapPixels([&table](unsigned char& red, unsigned char& green, unsigned char& blue) {
        red = table[red];
        green = table[green];
        blue = table[blue];
    });
}

void ImageData::overlayColor(RGBColour colour, int opacity)
{
    require(opacity >= 0 && opacity <= 255, "opacity >= 0 && opacity <= 255");
    std::lock_guard<std::mutex> lock(m_mutex);
    requireLoaded();
    Magick::Image& image = m_picture->image;
    try {
        // ImageMagick takes the blend as a percentage.
        const auto percent = static_cast<unsigned>(std::lround(opacity * 100.0 / 255.0));
        tolerateWarning([&] {
            image.colorize(percent, Magick::ColorRGB(colour.red / 255.0, colour.green / 255.0,
                                                     colour.blue / 255.0));
        });
        QDEBUG("OVERLAY COLOR OK");
    } catch (const Magick::Exception& error) {
        QDEBUG("OVERLAY COLOR FAILED: ImageMagick Exception: %s", magickText(error));
        throw ImageException(
            wxString::Format("Could not colour the picture: %s", magickText(error)));
    }
    m_drawable.reset();
}

int ImageData::getWidth() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_picture && m_drawable)
        return m_drawable->width;
    requireLoaded();
    return static_cast<int>(m_picture->image.columns());
}

int ImageData::getHeight() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!m_picture && m_drawable)
        return m_drawable->height;
    requireLoaded();
    return static_cast<int>(m_picture->image.rows());
}

std::shared_ptr<const RGBImage> ImageData::getDrawable() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_drawable)
        return m_drawable;
    requireLoaded();
    Magick::Image& image = m_picture->image;
    auto drawable = std::make_shared<RGBImage>();
    drawable->width = static_cast<int>(image.columns());
    drawable->height = static_cast<int>(image.rows());
    require(drawable->width > 0 && drawable->height > 0, "width > 0 && height > 0");
    const size_t pixels = size_t(drawable->width) * size_t(drawable->height);
    runMagick("draw", [&] {
        drawable->rgb.resize(pixels * 3);
        tolerateWarning([&] {
            image.write(0, 0, image.columns(), image.rows(), "RGB", MagickCore::CharPixel,
                        drawable->rgb.data());
        });
        if (image.matte()) {
            drawable->alpha.resize(pixels);
            tolerateWarning([&] {
                image.write(0, 0, image.columns(), image.rows(), "A", MagickCore::CharPixel,
                            drawable->alpha.data());
            });
        }
    });
    m_drawable = drawable;
    return m_drawable;
}

} // namespace Brenmarle
