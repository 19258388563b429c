#pragma once
// Process-wide set-up of ImageMagick: initialisation, resource limits and loading the coders
// before worker threads need them.
//
// The limits make a decompression bomb (a small file that claims a huge picture) fail with a
// clear error instead of exhausting memory and disk. They can only lower what the system's
// ImageMagick policy allows (/etc/ImageMagick-6/policy.xml), never raise it.

#include <cstdint>

namespace Brenmarle {

struct ImageMagickLimits {
    uint64_t memory;     // bytes of pixel cache on the heap before it spills to mapped memory
    uint64_t map;        // bytes of memory-mapped pixel cache before it spills to disk
    uint64_t disk;       // bytes of pixel cache on disk; past it a picture fails to load
    uint64_t area;       // pixels one picture may keep in memory
    uint64_t width;      // widest picture, pixels; a wider one fails to load
    uint64_t height;     // tallest picture, pixels
    uint64_t listLength; // frames read from one file
};

// The limits set at start. Width and height also bound what PictureReader accepts.
inline constexpr ImageMagickLimits IMAGEMAGICK_LIMITS = {
    uint64_t(256) << 20, uint64_t(512) << 20, uint64_t(1) << 30, 128000000, 16000, 16000, 64};

// Initialises ImageMagick and sets the limits, once per process; later calls return at once.
// Every picture operation of this library calls it, so tests and tools need nothing else.
// Thread-safe.
void ensureImageMagick();

// The start-up step: ensureImageMagick(), then makes ImageMagick load its JPEG, TIFF, PNG, BMP
// and TGA coders by decoding a small scratch buffer with each (the decoding fails, which is
// expected and ignored), so worker threads do not race to load modules, and works out which
// camera formats can be decoded (PictureFormats). GUI thread, at start.
void initImageMagick();

// The limits now in force (after the policy had its say).
ImageMagickLimits currentImageMagickLimits();

} // namespace Brenmarle
