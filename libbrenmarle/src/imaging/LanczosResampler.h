#pragma once
// Shrinks 8-bit pictures with the three-lobe Lanczos filter, the filter ImageMagick uses when it
// reduces a photo, weighing the same source pixels with the same weights: the result is
// ImageMagick's within one level, except next to hard black or white edges, where the filter
// overshoots and the order of the two passes decides what is clamped. ImageMagick does the
// work on 16-bit samples through its pixel cache, which for a 12-megapixel photo decoded at
// half size costs several times what the filter itself does; a JPEG's samples are 8-bit to
// begin with and are written back as 8-bit, so nothing is lost working on them directly.
//
// Threads: no state; any thread.

#include <cstddef>
#include <vector>

namespace Brenmarle {

class LanczosResampler {
public:
    // `pixels` holds height rows of width pixels of `channels` (1 to 4) interleaved samples,
    // without padding. Returns newHeight rows of newWidth pixels the same way. Each side may
    // only shrink or stay: 0 < newWidth <= width, 0 < newHeight <= height. Throws
    // Quorvel::LogicException naming the condition otherwise.
    static std::vector<unsigned char> shrink(const unsigned char* pixels, size_t width,
                                             size_t height, size_t channels, size_t newWidth,
                                             size_t newHeight);

    // The filter's weight at `x` source pixels from the centre (at the source's scale):
    // sinc(x) * sinc(x / 3) within three pixels, 0 beyond.
    static double weight(double x);
};

} // namespace Brenmarle
