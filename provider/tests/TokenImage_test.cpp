#include <gtest/gtest.h>

#include <Magick++.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "TokenImage.h"

using Provider::TokenImage;

namespace {

// A decoded picture: grey levels by row.
struct Grey {
    size_t width = 0;
    size_t height = 0;
    std::vector<unsigned char> pixels;
    unsigned char at(size_t x, size_t y) const { return pixels[y * width + x]; }
};

// Decoded by ImageMagick, not by the code that wrote it.
Grey decode(const std::string& png)
{
    Magick::Blob blob(png.data(), png.size());
    Magick::Image image;
    image.read(blob);
    EXPECT_EQ(image.magick(), "PNG");
    Grey grey;
    grey.width = image.columns();
    grey.height = image.rows();
    grey.pixels.resize(grey.width * grey.height);
    image.write(0, 0, grey.width, grey.height, "I", Magick::CharPixel, grey.pixels.data());
    return grey;
}

// Reads the letters back: each run of inked columns is one glyph, sampled in the middle of
// each font pixel from the glyph's top row and matched against the font.
std::string read(const Grey& picture)
{
    const size_t scale = TokenImage::SCALE;
    auto inked = [&](size_t x, size_t y) { return picture.at(x, y) == TokenImage::INK; };
    std::string text;
    size_t x = 0;
    while (x < picture.width) {
        size_t top = picture.height;
        size_t end = x;
        for (; end < picture.width; ++end) {
            size_t y = 0;
            while (y < picture.height && !inked(end, y))
                ++y;
            if (y == picture.height)
                break;
            top = std::min(top, y);
        }
        if (end == x) {
            ++x;
            continue;
        }
        EXPECT_EQ(end - x, TokenImage::GLYPH_WIDTH * scale) << "glyph at " << x;
        std::string matches;
        for (const char* letter = TokenImage::ALPHABET; *letter; ++letter) {
            bool same = true;
            for (int row = 0; row < TokenImage::GLYPH_HEIGHT && same; ++row)
                for (int column = 0; column < TokenImage::GLYPH_WIDTH && same; ++column)
                    same = inked(x + column * scale + scale / 2, top + row * scale + scale / 2) ==
                           TokenImage::ink(*letter, row, column);
            if (same)
                matches += *letter;
        }
        text += matches.size() == 1 ? matches : "?";
        x = end;
    }
    return text;
}

} // namespace

TEST(TokenImage, PictureDecodesAndReadsBackAsItsText)
{
    Magick::InitializeMagick(nullptr);
    // Every letter, each at a random height, so one test sees every glyph drawn and read.
    const std::string alphabet = TokenImage::ALPHABET;
    for (size_t start = 0; start < alphabet.size(); start += TokenImage::MAX_LETTERS) {
        const std::string text = alphabet.substr(start, TokenImage::MAX_LETTERS);
        const Grey picture = decode(TokenImage::png(text));
        EXPECT_EQ(read(picture), text);
    }
    const Grey small = decode(TokenImage::png("KEY"));
    EXPECT_EQ(small.height, static_cast<size_t>((2 * TokenImage::MARGIN + TokenImage::GLYPH_HEIGHT +
                                                 TokenImage::MAX_DROP) *
                                                TokenImage::SCALE));
    EXPECT_EQ(read(small), "KEY");
}

TEST(TokenImage, LongestTextStaysWithinWhatAClientAccepts)
{
    // The program refuses a token picture over 1024x1024 pixels or 1 MiB.
    Magick::InitializeMagick(nullptr);
    const std::string png = TokenImage::png(std::string(TokenImage::MAX_LETTERS, 'W'));
    EXPECT_LT(png.size(), 1024u * 1024u);
    const Grey picture = decode(png);
    EXPECT_LE(picture.width, 1024u);
    EXPECT_LE(picture.height, 1024u);
}

TEST(TokenImage, SameTextDrawnTwiceDiffers)
{
    // Heights and speckles are drawn anew, so one picture cannot be matched against an
    // earlier one; a handful of tries keeps an unlucky equal draw of heights harmless.
    std::set<std::string> pictures;
    for (int i = 0; i < 5; ++i)
        pictures.insert(TokenImage::png("MANY"));
    EXPECT_GT(pictures.size(), 1u);
}

TEST(TokenImage, RefusesTextItCannotDraw)
{
    for (const std::string& text :
         {std::string(), std::string("ab"), std::string("AB0"), std::string("ABS"),
          std::string("A\0C", 3), std::string(TokenImage::MAX_LETTERS + 1, 'A')})
        EXPECT_THROW(TokenImage::png(text), std::invalid_argument) << text;
    EXPECT_FALSE(TokenImage::ink('O', 0, 1));
    EXPECT_FALSE(TokenImage::ink('A', -1, 0));
    EXPECT_FALSE(TokenImage::ink('A', 0, TokenImage::GLYPH_WIDTH));
    EXPECT_TRUE(TokenImage::ink('A', 3, 0));
}
