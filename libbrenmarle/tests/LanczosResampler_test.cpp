#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <vector>

#include <Magick++.h>

#include "core/Exceptions.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/LanczosResampler.h"

using Brenmarle::LanczosResampler;

namespace {

std::vector<unsigned char> noise(size_t width, size_t height, size_t channels, int low = 0,
                                 int high = 255)
{
    std::mt19937 random(1234);
    std::uniform_int_distribution<int> sample(low, high);
    std::vector<unsigned char> pixels(width * height * channels);
    for (unsigned char& value : pixels)
        value = static_cast<unsigned char>(sample(random));
    return pixels;
}

} // namespace

TEST(LanczosResampler, KeepsAFlatColourFlatUpToTheEdges)
{
    // The weights of every target pixel, the ones cut off by an edge included, sum to one.
    struct Case {
        size_t width, height, newWidth, newHeight;
    };
    for (const Case c : {Case{37, 23, 5, 7}, Case{37, 23, 1, 1}, Case{9, 9, 8, 3},
                         Case{1, 40, 1, 13}, Case{300, 2, 7, 1}}) {
        for (size_t channels = 1; channels <= 4; ++channels) {
            SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " -> " << c.newWidth
                                            << "x" << c.newHeight << ", " << channels);
            std::vector<unsigned char> flat(c.width * c.height * channels);
            for (size_t i = 0; i < flat.size(); ++i)
                flat[i] = static_cast<unsigned char>(i % channels == 0 ? 255 : 50 * (i % channels));
            const auto shrunk = LanczosResampler::shrink(flat.data(), c.width, c.height, channels,
                                                         c.newWidth, c.newHeight);
            ASSERT_EQ(shrunk.size(), c.newWidth * c.newHeight * channels);
            for (size_t i = 0; i < shrunk.size(); ++i)
                ASSERT_EQ(shrunk[i], flat[i % channels]) << "sample " << i;
        }
    }
}

TEST(LanczosResampler, TheSameSizeGivesTheSamePixels)
{
    const auto pixels = noise(31, 17, 3);
    EXPECT_EQ(LanczosResampler::shrink(pixels.data(), 31, 17, 3, 31, 17), pixels);
    // One side kept, the other shrunk: the kept side's pixels are not blurred into each other.
    std::vector<unsigned char> stripes(8 * 6);
    for (size_t i = 0; i < stripes.size(); ++i)
        stripes[i] = i % 2 ? 200 : 10;
    const auto narrower = LanczosResampler::shrink(stripes.data(), 8, 6, 1, 8, 2);
    EXPECT_EQ(narrower, std::vector<unsigned char>(stripes.begin(), stripes.begin() + 16));
}

TEST(LanczosResampler, WeighsAsImageMagicksLanczosResize)
{
    // The same source pixels and weights as ImageMagick's own resize of an 8-bit picture: a
    // sample may differ by one from rounding, never more. Noise makes any misplaced tap show.
    // It stays clear of black and white: where the filter overshoots there, both clamp between
    // the passes, but ImageMagick may take the passes in the other order.
    Brenmarle::ensureImageMagick();
    struct Case {
        size_t width, height, newWidth, newHeight;
    };
    for (const Case c : {Case{200, 150, 179, 134}, Case{203, 151, 97, 64}, Case{64, 64, 7, 60}}) {
        SCOPED_TRACE(testing::Message()
                     << c.width << "x" << c.height << " -> " << c.newWidth << "x" << c.newHeight);
        const auto pixels = noise(c.width, c.height, 3, 48, 207);
        Magick::Image reference(c.width, c.height, "RGB", MagickCore::CharPixel, pixels.data());
        reference.filterType(MagickCore::LanczosFilter);
        Magick::Geometry size(c.newWidth, c.newHeight);
        size.aspect(true);
        reference.resize(size);
        ASSERT_EQ(reference.columns(), c.newWidth);
        ASSERT_EQ(reference.rows(), c.newHeight);
        std::vector<unsigned char> expected(c.newWidth * c.newHeight * 3);
        reference.write(0, 0, c.newWidth, c.newHeight, "RGB", MagickCore::CharPixel,
                        expected.data());

        const auto shrunk =
            LanczosResampler::shrink(pixels.data(), c.width, c.height, 3, c.newWidth, c.newHeight);
        ASSERT_EQ(shrunk.size(), expected.size());
        int largest = 0;
        for (size_t i = 0; i < shrunk.size(); ++i)
            largest = std::max(largest, std::abs(int(shrunk[i]) - int(expected[i])));
        EXPECT_LE(largest, 1);
    }
}

TEST(LanczosResampler, RefusesToEnlargeAndEmptyOrOddShapes)
{
    const auto pixels = noise(10, 10, 4);
    EXPECT_THROW(LanczosResampler::shrink(pixels.data(), 10, 10, 3, 11, 10),
                 Quorvel::LogicException);
    EXPECT_THROW(LanczosResampler::shrink(pixels.data(), 10, 10, 3, 10, 11),
                 Quorvel::LogicException);
    EXPECT_THROW(LanczosResampler::shrink(pixels.data(), 10, 10, 3, 0, 5), Quorvel::LogicException);
    EXPECT_THROW(LanczosResampler::shrink(pixels.data(), 10, 10, 0, 5, 5), Quorvel::LogicException);
    EXPECT_THROW(LanczosResampler::shrink(pixels.data(), 10, 10, 5, 5, 5), Quorvel::LogicException);
    EXPECT_THROW(LanczosResampler::shrink(nullptr, 10, 10, 3, 5, 5), Quorvel::LogicException);
    // A size whose samples cannot be counted in memory.
    const size_t huge = size_t(1) << 40;
    EXPECT_THROW(LanczosResampler::shrink(pixels.data(), huge, huge, 3, 1, 1),
                 Quorvel::LogicException);
}
