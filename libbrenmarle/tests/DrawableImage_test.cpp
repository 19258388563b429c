#include <gtest/gtest.h>

#include "imaging/gui/DrawableImage.h"

using Brenmarle::DrawableImage;
using Brenmarle::RGBImage;

TEST(DrawableImage, PixelsAndAlphaArriveInPlace)
{
    RGBImage pixels;
    pixels.width = 3;
    pixels.height = 2;
    for (int i = 0; i < 6; ++i)
        pixels.rgb.insert(pixels.rgb.end(), {uint8_t(i), uint8_t(10 * i), uint8_t(100 + i)});
    wxImage opaque = DrawableImage::fromRGB(pixels);
    ASSERT_TRUE(opaque.IsOk());
    EXPECT_EQ(opaque.GetWidth(), 3);
    EXPECT_EQ(opaque.GetHeight(), 2);
    EXPECT_FALSE(opaque.HasAlpha());
    EXPECT_EQ(opaque.GetGreen(2, 1), 50); // pixel 5: rows run left to right, top to bottom
    EXPECT_EQ(opaque.GetBlue(0, 1), 103);

    pixels.alpha = {0, 255, 0, 255, 0, 128};
    const wxImage clear = DrawableImage::fromRGB(pixels);
    ASSERT_TRUE(clear.HasAlpha());
    EXPECT_EQ(clear.GetAlpha(2, 1), 128);
}

TEST(DrawableImage, InconsistentPixelsGiveNoImage)
{
    RGBImage pixels;
    pixels.width = 4;
    pixels.height = 4;
    pixels.rgb.resize(4 * 4 * 3 - 1);
    EXPECT_FALSE(DrawableImage::fromRGB(pixels).IsOk());
    EXPECT_FALSE(DrawableImage::fromRGB(RGBImage()).IsOk());
}
