#include "imaging/ImageMagickSetup.h"

#include <mutex>

#include <Magick++.h>

#include "imaging/PictureFormats.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

const size_t SCRATCH_SIZE = 123;

ImageMagickLimits readLimits()
{
    return {Magick::ResourceLimits::memory(),    Magick::ResourceLimits::map(),
            Magick::ResourceLimits::disk(),      Magick::ResourceLimits::area(),
            Magick::ResourceLimits::width(),     Magick::ResourceLimits::height(),
            Magick::ResourceLimits::listLength()};
}

void setLimits()
{
    const ImageMagickLimits& wanted = IMAGEMAGICK_LIMITS;
    Magick::ResourceLimits::memory(wanted.memory);
    Magick::ResourceLimits::map(wanted.map);
    Magick::ResourceLimits::disk(wanted.disk);
    Magick::ResourceLimits::area(wanted.area);
    Magick::ResourceLimits::width(wanted.width);
    Magick::ResourceLimits::height(wanted.height);
    Magick::ResourceLimits::listLength(wanted.listLength);
    const ImageMagickLimits now = readLimits();
    QDEBUG("[IMAGEMAGICK] Limits: memory %llu MiB, map %llu MiB, disk %llu MiB, area %llu "
           "pixels, %llu x %llu pixels, %llu frames",
           static_cast<unsigned long long>(now.memory >> 20),
           static_cast<unsigned long long>(now.map >> 20),
           static_cast<unsigned long long>(now.disk >> 20),
           static_cast<unsigned long long>(now.area), static_cast<unsigned long long>(now.width),
           static_cast<unsigned long long>(now.height),
           static_cast<unsigned long long>(now.listLength));
}

} // namespace

void ensureImageMagick()
{
    static std::once_flag once;
    std::call_once(once, [] {
        Magick::InitializeMagick(nullptr);
        setLimits();
    });
}

void initImageMagick()
{
    ensureImageMagick();
    const unsigned char scratch[SCRATCH_SIZE] = {};
    for (const char* coder : {"JPG", "TIFF", "PNG", "BMP", "TGA"}) {
        try {
            Magick::Image image;
            image.quiet(true);
            image.magick(coder);
            image.read(Magick::Blob(scratch, sizeof(scratch)));
        } catch (const Magick::Exception&) {
            // A buffer of zeros is no picture; the coder is loaded all the same.
        }
        QDEBUG("[IMAGEMAGICK] Loaded coder %s", coder);
    }
    // Settled here too (it loads the HEIF coder where there is one), not by the first import.
    PictureFormats::support();
}

ImageMagickLimits currentImageMagickLimits()
{
    ensureImageMagick();
    return readLimits();
}

} // namespace Brenmarle
