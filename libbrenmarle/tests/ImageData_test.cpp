#include <gtest/gtest.h>

#include <Magick++.h>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "core/Exceptions.h"
#include "exif/EXIFProfile.h"
#include "imaging/ImageData.h"
#include "imaging/ImageMagickSetup.h"

using Brenmarle::ImageData;
using Brenmarle::RGBImage;
using Quorvel::Ref;

namespace {

struct Pixel {
    int red, green, blue;
};

Pixel pixelAt(const RGBImage& image, int x, int y)
{
    const size_t at = (size_t(y) * size_t(image.width) + size_t(x)) * 3;
    return {image.rgb[at], image.rgb[at + 1], image.rgb[at + 2]};
}

bool isRed(Pixel p)
{
    return p.red > 200 && p.green < 60 && p.blue < 60;
}
bool isGrey(Pixel p)
{
    return std::abs(p.red - p.green) < 8 && std::abs(p.green - p.blue) < 8;
}

class ImageDataTest : public ::testing::Test {
protected:
    // A 40 x 20 PNG: grey with a red top-left quarter. PNG keeps the pixels exact.
    Ref<ImageData> loaded()
    {
        const wxString path = dir / "picture.png";
        TestPictures::writePicture(path, 40, 20, "PNG");
        auto image = Quorvel::makeRef<ImageData>();
        image->load(path);
        return image;
    }
    // A wholly transparent PNG of that size, loaded.
    Ref<ImageData> loadedTransparent(int width, int height)
    {
        Brenmarle::ensureImageMagick();
        Magick::Image clear(Magick::Geometry(width, height), Magick::Color("transparent"));
        clear.magick("PNG");
        Magick::Blob blob;
        clear.write(&blob);
        writeFile(dir / "clear.png",
                  std::string(static_cast<const char*>(blob.data()), blob.length()));
        auto image = Quorvel::makeRef<ImageData>();
        image->load(dir / "clear.png");
        return image;
    }
    ScratchDir dir;
};

} // namespace

TEST_F(ImageDataTest, AFailedLoadKeepsThePreviousPicture)
{
    const auto image = loaded();
    writeFile(dir / "broken.png", "\x89PNG\r\n\x1a\n and nothing else");
    EXPECT_THROW(image->load(dir / "broken.png"), Brenmarle::ImageException);
    EXPECT_EQ(image->getWidth(), 40);
}

TEST_F(ImageDataTest, PalettePicturesBecomeTrueColour)
{
    TestPictures::writePicture(dir / "palette.gif", 20, 10, "GIF");
    const auto image = Quorvel::makeRef<ImageData>();
    image->load(dir / "palette.gif");
    const auto drawable = image->getDrawable();
    ASSERT_EQ(drawable->rgb.size(), 20u * 10u * 3u);
    EXPECT_TRUE(isRed(pixelAt(*drawable, 0, 0)));
    EXPECT_TRUE(isGrey(pixelAt(*drawable, 19, 9)));
}

TEST_F(ImageDataTest, RotatingTurnsClockwiseAndMakesANewDrawableCopy)
{
    const auto image = loaded();
    const auto before = image->getDrawable();
    EXPECT_EQ(image->getDrawable(), before); // kept until the picture changes
    image->rotate(90);
    ASSERT_EQ(image->getWidth(), 20);
    ASSERT_EQ(image->getHeight(), 40);
    const auto turned = image->getDrawable();
    EXPECT_TRUE(isRed(pixelAt(*turned, 19, 0))); // the red corner went to the top right
    EXPECT_FALSE(isRed(pixelAt(*turned, 0, 0)));
    EXPECT_TRUE(isRed(pixelAt(*before, 0, 0))); // the old copy is untouched
    // Four quarter turns, in any steps, give the picture back.
    image->rotate(-90);
    image->rotate(450);
    image->rotate(180);
    image->rotate(90);
    EXPECT_EQ(image->getDrawable()->rgb, before->rgb);
}

// The view draws the drawable copy: after a crop it must be the cut part, never the copy made
// before it (nor the copy a copied picture shares with its original).
TEST_F(ImageDataTest, CroppingMakesANewDrawableCopyOfTheCutPart)
{
    const auto image = loaded();
    const auto before = image->getDrawable();
    ASSERT_EQ(before->width, 40);

    // Straddling the red quarter's corner (20, 10): red at its top left only.
    image->crop(15, 5, 10, 10);
    const auto cut = image->getDrawable();
    ASSERT_NE(cut, before);
    EXPECT_EQ(cut->width, 10);
    EXPECT_EQ(cut->height, 10);
    EXPECT_EQ(cut->rgb.size(), 10u * 10u * 3u);
    EXPECT_TRUE(isRed(pixelAt(*cut, 0, 0)));
    EXPECT_TRUE(isRed(pixelAt(*cut, 3, 3)));
    EXPECT_TRUE(isGrey(pixelAt(*cut, 7, 7)));
    EXPECT_TRUE(isGrey(pixelAt(*cut, 9, 9)));
    EXPECT_EQ(before->width, 40); // the copy handed out before is untouched

    // A crop of a crop, down to its last pixel.
    image->crop(9, 9, 1, 1);
    EXPECT_EQ(image->getDrawable()->width, 1);
    EXPECT_EQ(image->getDrawable()->height, 1);
    EXPECT_TRUE(isGrey(pixelAt(*image->getDrawable(), 0, 0)));

    // The whole picture is a crop too; one pixel more is refused and changes nothing.
    const auto again = loaded();
    const auto full = again->getDrawable();
    again->crop(0, 0, 40, 20);
    EXPECT_EQ(again->getDrawable()->rgb, full->rgb);
    const auto whole = again->getDrawable();
    EXPECT_THROW(again->crop(1, 0, 40, 20), Quorvel::LogicException);
    EXPECT_THROW(again->crop(0, 20, 40, 1), Quorvel::LogicException);
    EXPECT_EQ(again->getDrawable(), whole);
    EXPECT_EQ(again->getWidth(), 40);

    // A picture kept only as its drawable (a cached thumbnail) shares it with its copies: a crop
    // of the copy cuts the copy alone.
    again->keepDrawableOnly();
    const auto copy = Quorvel::makeRef<ImageData>(*again);
    ASSERT_EQ(copy->getDrawable(), whole);
    copy->crop(0, 0, 20, 10);
    EXPECT_EQ(copy->getDrawable()->width, 20);
    EXPECT_EQ(copy->getDrawable()->height, 10);
    EXPECT_TRUE(isRed(pixelAt(*copy->getDrawable(), 18, 8)));
    EXPECT_EQ(again->getDrawable(), whole);
    EXPECT_EQ(again->getWidth(), 40);
}

TEST_F(ImageDataTest, APictureKeptOnlyAsItsDrawableStillWorksInEveryWay)
{
    const auto image = loaded();
    const auto original = image->getDrawable();
    image->keepDrawableOnly();
    EXPECT_TRUE(image->isLoaded());
    EXPECT_EQ(image->getWidth(), 40);
    EXPECT_EQ(image->getDrawable(), original); // drawn without any new work

    // A copy, a change and a save each make the picture again from the kept pixels.
    const auto copy = Quorvel::makeRef<ImageData>(*image);
    copy->rotate(180);
    EXPECT_TRUE(isRed(pixelAt(*copy->getDrawable(), 39, 19)));
    EXPECT_EQ(image->getDrawable(), original);
    image->rotate(90);
    EXPECT_EQ(image->getWidth(), 20);
    EXPECT_TRUE(isRed(pixelAt(*image->getDrawable(), 19, 0)));
    image->keepDrawableOnly();
    image->save(dir / "again.png", ImageData::FORMAT_PNG, 90);
    const auto saved = Quorvel::makeRef<ImageData>();
    saved->load(dir / "again.png");
    EXPECT_EQ(saved->getDrawable()->rgb, image->getDrawable()->rgb);

    // Transparency is kept too.
    const auto transparent = loadedTransparent(4, 2);
    transparent->keepDrawableOnly();
    transparent->rotate(90);
    ASSERT_EQ(transparent->getDrawable()->alpha.size(), 8u);
    EXPECT_EQ(transparent->getDrawable()->alpha[0], 0);

    // Nothing loaded stays nothing loaded.
    const auto empty = Quorvel::makeRef<ImageData>();
    EXPECT_THROW(empty->keepDrawableOnly(), Quorvel::NotLoadedException);
    EXPECT_FALSE(empty->isLoaded());
}

TEST_F(ImageDataTest, ATurnedPictureIsSavedWithoutItsOldOrientation)
{
    TestPictures::writeJpeg(dir / "six.jpg", 80, 60, {TestPictures::cameraExif(6), {}, 90});
    const auto image = Quorvel::makeRef<ImageData>();
    image->load(dir / "six.jpg");
    image->save(dir / "kept.jpg", ImageData::FORMAT_JPEG, 85);
    EXPECT_EQ(Brenmarle::EXIFProfile(dir / "kept.jpg").getOrientation(), 6); // untouched pixels

    image->rotate(90);
    image->save(dir / "turned.jpg", ImageData::FORMAT_JPEG, 85);
    const Brenmarle::EXIFProfile turned(dir / "turned.jpg");
    EXPECT_EQ(turned.getOrientation(), 1);
    EXPECT_EQ(turned.getMake(), "Canon"); // the rest of the metadata stays

    image->save(dir / "stripped.jpg", ImageData::FORMAT_JPEG, 85, ImageData::Metadata::Strip);
    EXPECT_TRUE(Brenmarle::EXIFProfile(dir / "stripped.jpg").isEmpty());
}

TEST_F(ImageDataTest, MirroredOrientationsAreUndoneAndTheRotationTurnsOnTop)
{
    // The stored 40 x 20 pixels have their red quarter top left; where it is meant to be.
    struct Case {
        int orientation, width, height, redX, redY;
    };
    const Case cases[] = {{1, 40, 20, 2, 2}, {2, 40, 20, 37, 2},  {4, 40, 20, 2, 17},
                          {5, 20, 40, 2, 2}, {7, 20, 40, 17, 37}, {6, 40, 20, 2, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.orientation);
        TestPictures::writeJpeg(dir / "phone.jpg", 40, 20,
                                {TestPictures::cameraExif(uint16_t(c.orientation)), {}, 95});
        const auto image = Quorvel::makeRef<ImageData>();
        image->load(dir / "phone.jpg");
        ASSERT_EQ(image->getWidth(), c.width);
        ASSERT_EQ(image->getHeight(), c.height);
        EXPECT_TRUE(isRed(pixelAt(*image->getDrawable(), c.redX, c.redY)));
        // Saved as shown, with a tag that no longer mirrors it.
        image->save(dir / "saved.jpg", ImageData::FORMAT_JPEG, 95);
        const auto saved = Quorvel::makeRef<ImageData>();
        saved->load(dir / "saved.jpg");
        EXPECT_EQ(saved->getWidth(), c.width);
        EXPECT_TRUE(isRed(pixelAt(*saved->getDrawable(), c.redX, c.redY)));

        // Fitted and turned a quarter: the box fits the picture as meant, then turned.
        image->loadFitted(dir / "phone.jpg", 10, 10, 90);
        EXPECT_EQ(image->getWidth() > image->getHeight(), c.height > c.width);
        EXPECT_EQ(std::max(image->getWidth(), image->getHeight()), 10);
        const int fittedRedX = (c.height - 1 - c.redY) * image->getWidth() / c.height;
        const int fittedRedY = c.redX * image->getHeight() / c.width;
        EXPECT_TRUE(isRed(pixelAt(*image->getDrawable(), fittedRedX, fittedRedY)));
    }
}

TEST_F(ImageDataTest, AWarningWhileSavingIsLoggedAndThePictureIsWritten)
{
    // A colour profile whose length does not match its header, as some editors write it: the
    // PNG coder warns and leaves it out.
    TestPictures::writeJpeg(dir / "photo.jpg", 40, 20);
    std::string bytes = readFile(dir / "photo.jpg");
    const std::string icc = std::string("ICC_PROFILE\0\x01\x01", 14) + std::string(200, 'x');
    const std::string app2 = {'\xff', '\xe2', char((icc.size() + 2) >> 8), char(icc.size() + 2)};
    bytes.insert(2, app2 + icc);
    writeFile(dir / "photo.jpg", bytes);
    const auto image = Quorvel::makeRef<ImageData>();
    image->load(dir / "photo.jpg");

    image->save(dir / "saved.png", ImageData::FORMAT_PNG, 85);
    const auto saved = Quorvel::makeRef<ImageData>();
    saved->load(dir / "saved.png");
    EXPECT_EQ(saved->getWidth(), 40);
    EXPECT_TRUE(isRed(pixelAt(*saved->getDrawable(), 2, 2)));
}

TEST_F(ImageDataTest, TransparencyReachesTheDrawableAndJpegGetsAWhiteBackground)
{
    const auto image = loadedTransparent(8, 8);
    const auto drawable = image->getDrawable();
    ASSERT_EQ(drawable->alpha.size(), 64u);
    EXPECT_EQ(drawable->alpha[0], 0);

    image->save(dir / "clear.jpg", ImageData::FORMAT_JPEG, 85);
    const auto jpeg = Quorvel::makeRef<ImageData>();
    jpeg->load(dir / "clear.jpg");
    EXPECT_TRUE(jpeg->getDrawable()->alpha.empty());
    EXPECT_GT(pixelAt(*jpeg->getDrawable(), 4, 4).red, 240);
}

TEST_F(ImageDataTest, PreviewIsDecodedSmallerButNeverSmallerThanAskedNorBlownUp)
{
    TestPictures::writeJpeg(dir / "big.jpg", 4000, 3000);
    const auto preview = Quorvel::makeRef<ImageData>();
    preview->loadPreview(dir / "big.jpg");
    EXPECT_EQ(preview->getWidth(), 1000); // libjpeg's 1/4, the smallest at least 640 x 480
    EXPECT_EQ(preview->getHeight(), 750);
    // With the size hint applied to a picture smaller than it, libjpeg would decode at twice
    // the size. Wide enough but not tall enough is still smaller than the hint.
    for (const auto& [width, height] : {std::pair{300, 200}, {4000, 300}}) {
        TestPictures::writeJpeg(dir / "small.jpg", width, height);
        preview->loadPreview(dir / "small.jpg");
        EXPECT_EQ(preview->getWidth(), width);
        EXPECT_EQ(preview->getHeight(), height);
    }
}

namespace {

// A PNG of one row: pixel i is `colour(i)` with opacity `alpha(i)`, loaded exactly.
template <typename Colour>
Ref<ImageData> row(const ScratchDir& dir, int width, Colour colour, bool withAlpha = false)
{
    Brenmarle::ensureImageMagick();
    std::vector<unsigned char> rgba;
    for (int i = 0; i < width; ++i) {
        const Pixel p = colour(i);
        rgba.insert(rgba.end(),
                    {static_cast<unsigned char>(p.red), static_cast<unsigned char>(p.green),
                     static_cast<unsigned char>(p.blue),
                     static_cast<unsigned char>(withAlpha ? i % 256 : 255)});
    }
    Magick::Image image(size_t(width), 1, "RGBA", MagickCore::CharPixel, rgba.data());
    image.matte(withAlpha);
    image.write(std::string((dir / "row.png").utf8_str()));
    auto loaded = Quorvel::makeRef<ImageData>();
    loaded->load(dir / "row.png");
    return loaded;
}

Pixel grey(int i)
{
    return {i, i, i};
}

// The picture after a round trip through a PNG file, which keeps the bytes exact.
std::shared_ptr<const RGBImage> throughPng(const ScratchDir& dir, const Ref<ImageData>& image)
{
    image->save(dir / "copy.png", ImageData::FORMAT_PNG, 85);
    const auto copy = Quorvel::makeRef<ImageData>();
    copy->load(dir / "copy.png");
    return copy->getDrawable();
}

} // namespace

TEST(ImageData, BrightnessContrastTableKeepsOrderAndItsFixedPoints)
{
    const ImageData::LookupTable identity = ImageData::brightnessContrastTable(0, 0);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(identity[size_t(i)], i);
    for (int brightness = -100; brightness <= 100; brightness += 25) {
        for (int contrast = -100; contrast <= 100; contrast += 25) {
            const auto table = ImageData::brightnessContrastTable(brightness, contrast);
            for (size_t i = 1; i < 256; ++i)
                ASSERT_LE(table[i - 1], table[i]) << brightness << "/" << contrast;
        }
        // Full contrast splits at the pivot 128 - b; none draws everything to b + 128.
        const auto split = ImageData::brightnessContrastTable(brightness, 100);
        const size_t pivot = size_t(128 - brightness);
        if (pivot <= 255) {
            EXPECT_EQ(split[pivot], 128);
            EXPECT_EQ(split[pivot - 1], 0);
            if (pivot < 255) {
                EXPECT_EQ(split[pivot + 1], 255);
            }
        }
        const auto flat = ImageData::brightnessContrastTable(brightness, -100);
        EXPECT_EQ(flat[0], std::min(255, brightness + 128));
        EXPECT_EQ(flat[255], flat[0]);
    }
    EXPECT_THROW(ImageData::brightnessContrastTable(101, 0), Quorvel::LogicException);
    EXPECT_THROW(ImageData::brightnessContrastTable(0, -101), Quorvel::LogicException);
}

TEST_F(ImageDataTest, BrightnessAndContrastChangeColourThroughTheTableButNotOpacity)
{
    const auto image = row(dir, 256, grey, true);
    image->adjustBrightnessContrast(50, 40);
    const auto table = ImageData::brightnessContrastTable(50, 40);
    const auto result = throughPng(dir, image);
    ASSERT_EQ(result->alpha.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const Pixel p = pixelAt(*result, i, 0);
        ASSERT_EQ(p.red, table[size_t(i)]) << i;
        ASSERT_EQ(p.blue, table[size_t(i)]) << i;
        ASSERT_EQ(result->alpha[size_t(i)], i);
    }
    // Mid-grey brightened by 50 alone is 178.
    const auto mid = row(dir, 1, [](int) { return Pixel{128, 128, 128}; });
    mid->adjustBrightnessContrast(50, 0);
    EXPECT_EQ(pixelAt(*throughPng(dir, mid), 0, 0).green, 178);
}

TEST_F(ImageDataTest, SepiaOfGreyFollowsTheRampFromDarkBrownToCream)
{
    const auto image = row(dir, 256, grey);
    image->makeSepia();
    const auto result = throughPng(dir, image);
    for (int i = 0; i < 256; ++i) {
        const Pixel p = pixelAt(*result, i, 0);
        const Brenmarle::RGBColour row = ImageData::sepiaColour(static_cast<unsigned char>(i));
        ASSERT_EQ(p.red, row.red);
        ASSERT_EQ(p.green, row.green);
        ASSERT_EQ(p.blue, row.blue);
        ASSERT_GE(p.red, p.green); // warm everywhere
        ASSERT_GE(p.green, p.blue);
        if (i > 0) {
            const Pixel before = pixelAt(*result, i - 1, 0);
            ASSERT_TRUE(before.red <= p.red && before.green <= p.green && before.blue <= p.blue);
        }
    }
    EXPECT_EQ(pixelAt(*result, 0, 0).red, 24);
    EXPECT_EQ(pixelAt(*result, 0, 0).blue, 9);
    EXPECT_EQ(pixelAt(*result, 128, 0).green, 96);
    EXPECT_EQ(pixelAt(*result, 255, 0).red, 251);
    EXPECT_EQ(pixelAt(*result, 255, 0).blue, 250);
    // Colours go by their luminance: pure green (150) and a grey of 150 look alike.
    const auto green = row(dir, 1, [](int) { return Pixel{0, 255, 0}; });
    green->makeSepia();
    EXPECT_EQ(pixelAt(*throughPng(dir, green), 0, 0).red, ImageData::sepiaColour(150).red);
}

TEST_F(ImageDataTest, EffectsOnACopyLeaveTheOriginalAlone)
{
    const auto original = loaded();
    const auto before = original->getDrawable()->rgb;
    for (int effect = 0; effect < 5; ++effect) {
        const auto copy = Quorvel::Ref<ImageData>::adopt(new ImageData(*original));
        switch (effect) {
        case 0:
            copy->normalize();
            break;
        case 1:
            copy->makeGrayscale();
            break;
        case 2:
            copy->makeSepia();
            break;
        case 3:
            copy->colorize();
            break;
        case 4:
            copy->adjustBrightnessContrast(-40, 60);
            break;
        }
        EXPECT_NE(copy->getDrawable()->rgb, before) << effect;
        EXPECT_EQ(original->getDrawable()->rgb, before) << effect;
    }
    const auto empty = Quorvel::makeRef<ImageData>();
    const auto emptyCopy = Quorvel::Ref<ImageData>::adopt(new ImageData(*empty));
    EXPECT_THROW(emptyCopy->makeSepia(), Quorvel::NotLoadedException);
    EXPECT_THROW(empty->adjustBrightnessContrast(0, 0), Quorvel::NotLoadedException);
    EXPECT_THROW(empty->normalize(), Quorvel::NotLoadedException);
}

TEST_F(ImageDataTest, GreyAndTintedGreyStayTrueColourAndNormaliseStretches)
{
    // A dull picture between 100 and 150.
    const auto dull = [&] {
        return row(dir, 51, [](int i) { return Pixel{100 + i, 120, 150 - i}; });
    };
    const auto greyed = dull();
    greyed->makeGrayscale();
    for (int i = 0; i < 51; ++i) {
        const Pixel p = pixelAt(*greyed->getDrawable(), i, 0);
        ASSERT_TRUE(p.red == p.green && p.green == p.blue);
    }
    const auto stretched = dull();
    stretched->normalize();
    EXPECT_LT(pixelAt(*stretched->getDrawable(), 0, 0).red, 20);
    EXPECT_GT(pixelAt(*stretched->getDrawable(), 50, 0).red, 235);
    const auto tinted = row(dir, 256, grey);
    tinted->colorize();
    const Pixel middle = pixelAt(*tinted->getDrawable(), 128, 0);
    EXPECT_GT(middle.red, middle.green);
    EXPECT_GT(middle.green, middle.blue);
}
