#include <gtest/gtest.h>

#include <Magick++.h>
#include <wx/dir.h>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "core/Exceptions.h"
#include "exif/EXIFProfile.h"
#include "imaging/ImageData.h"
#include "imaging/ImageMagickSetup.h"

using Brenmarle::ImageData;
using Brenmarle::RGBColour;
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
    Ref<ImageData> loaded(int width = 40, int height = 20)
    {
        const wxString path = dir / "picture.png";
        TestPictures::writePicture(path, width, height, "PNG");
        auto image = Quorvel::makeRef<ImageData>();
        image->load(path);
        return image;
    }
    ScratchDir dir;
};

} // namespace

TEST_F(ImageDataTest, EveryOperationNeedsALoadedPicture)
{
    const auto image = Quorvel::makeRef<ImageData>();
    EXPECT_FALSE(image->isLoaded());
    EXPECT_THROW(image->getWidth(), Quorvel::NotLoadedException);
    EXPECT_THROW(image->getDrawable(), Quorvel::NotLoadedException);
    EXPECT_THROW(image->rotate(90), Quorvel::NotLoadedException);
    EXPECT_THROW(image->resize(10, 10), Quorvel::NotLoadedException);
    EXPECT_THROW(image->crop(0, 0, 1, 1), Quorvel::NotLoadedException);
    EXPECT_THROW(image->save(dir / "x.jpg", ImageData::FORMAT_JPEG, 85),
                 Quorvel::NotLoadedException);
}

TEST_F(ImageDataTest, AFailedLoadKeepsThePreviousPicture)
{
    const auto image = loaded();
    TestPictures::writeFile(dir / "broken.png", "\x89PNG\r\n\x1a\n and nothing else");
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

TEST_F(ImageDataTest, RotatingTurnsClockwise)
{
    const auto image = loaded();
    image->rotate(90);
    ASSERT_EQ(image->getWidth(), 20);
    ASSERT_EQ(image->getHeight(), 40);
    const auto drawable = image->getDrawable();
    EXPECT_TRUE(isRed(pixelAt(*drawable, 19, 0))); // the red corner went to the top right
    EXPECT_FALSE(isRed(pixelAt(*drawable, 0, 0)));
}

TEST_F(ImageDataTest, FourQuarterTurnsGiveThePictureBack)
{
    const auto image = loaded();
    const auto before = image->getDrawable();
    for (int i = 0; i < 4; ++i)
        image->rotate(90);
    const auto after = image->getDrawable();
    EXPECT_NE(before, after); // a new copy was made
    EXPECT_EQ(before->rgb, after->rgb);
    image->rotate(-90);
    image->rotate(450);
    EXPECT_EQ(image->getDrawable()->rgb, before->rgb);
}

TEST_F(ImageDataTest, TheDrawableCopyIsKeptUntilThePictureChanges)
{
    const auto image = loaded();
    const auto first = image->getDrawable();
    EXPECT_EQ(image->getDrawable(), first);
    image->rotate(180);
    const auto second = image->getDrawable();
    EXPECT_NE(second, first);
    EXPECT_TRUE(isRed(pixelAt(*first, 0, 0))); // the old copy is untouched
    EXPECT_FALSE(isRed(pixelAt(*second, 0, 0)));
}

TEST_F(ImageDataTest, CropKeepsTheRectangle)
{
    const auto image = loaded();
    image->crop(0, 0, 20, 10);
    EXPECT_EQ(image->getWidth(), 20);
    EXPECT_EQ(image->getHeight(), 10);
    const auto drawable = image->getDrawable();
    EXPECT_TRUE(isRed(pixelAt(*drawable, 19, 9)));
    // After the crop the picture starts at 0,0 again: saving and loading gives the same size.
    image->save(dir / "cropped.png", ImageData::FORMAT_PNG, 90);
    const auto reloaded = Quorvel::makeRef<ImageData>();
    reloaded->load(dir / "cropped.png");
    EXPECT_EQ(reloaded->getDrawable()->rgb, drawable->rgb);
}

TEST_F(ImageDataTest, CropOutsideThePictureIsRefused)
{
    const auto image = loaded();
    for (const auto& [x, y, w, h] : {std::tuple{-1, 0, 10, 10},
                                     {0, -1, 10, 10},
                                     {31, 0, 10, 10},
                                     {0, 11, 10, 10},
                                     {0, 0, 0, 5},
                                     {0, 0, 41, 20}})
        EXPECT_THROW(image->crop(x, y, w, h), Quorvel::LogicException) << x << "," << y;
    image->crop(30, 10, 10, 10); // the bottom-right corner exactly
    EXPECT_EQ(image->getWidth(), 10);
}

TEST_F(ImageDataTest, ResizeFitsKeepingTheAspectRatio)
{
    const auto image = loaded(400, 200);
    image->resize(100, 100);
    EXPECT_EQ(image->getWidth(), 100);
    EXPECT_EQ(image->getHeight(), 50);
    image->resize(0, 150); // only the height given: zooms up
    EXPECT_EQ(image->getWidth(), 300);
    EXPECT_EQ(image->getHeight(), 150);
    image->resize(0, 0);
    EXPECT_EQ(image->getWidth(), 300);
    EXPECT_THROW(image->resize(-1, 10), Quorvel::LogicException);
}

TEST_F(ImageDataTest, SavingAnUnknownFormatFails)
{
    const auto image = loaded();
    try {
        image->save(dir / "x.bmp", 2, 85);
        FAIL() << "no exception";
    } catch (const Quorvel::RuntimeException& e) {
        EXPECT_EQ(e.getMessage(), "Unsupported image format type");
    }
}

TEST_F(ImageDataTest, SavingCreatesTheDirectoriesAndLeavesNoTemporaryFile)
{
    const auto image = loaded();
    const wxString path = dir / "a/b/c/out.jpg";
    image->save(path, ImageData::FORMAT_JPEG, 85);
    const std::string bytes = TestPictures::readFile(path);
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes.substr(0, 3), "\xff\xd8\xff");
    wxArrayString files;
    wxDir::GetAllFiles(dir / "a/b/c", &files, wxEmptyString, wxDIR_FILES | wxDIR_HIDDEN);
    EXPECT_EQ(files.size(), 1u);
}

TEST_F(ImageDataTest, SavingWhereNoDirectoryCanBeMadeFails)
{
    const auto image = loaded();
    TestPictures::writeFile(dir / "file", "x");
    try {
        image->save(dir / "file/sub/out.jpg", ImageData::FORMAT_JPEG, 85);
        FAIL() << "no exception";
    } catch (const Quorvel::IOException& e) {
        EXPECT_TRUE(e.getMessage().StartsWith("Could not create directory: ")) << e.getMessage();
    }
}

TEST_F(ImageDataTest, PngRoundTripIsExact)
{
    const auto image = loaded();
    image->rotate(270);
    image->save(dir / "out.png", ImageData::FORMAT_PNG, 90);
    const auto reloaded = Quorvel::makeRef<ImageData>();
    reloaded->load(dir / "out.png");
    EXPECT_EQ(reloaded->getDrawable()->rgb, image->getDrawable()->rgb);
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

TEST_F(ImageDataTest, TransparencyReachesTheDrawableAndJpegGetsAWhiteBackground)
{
    Brenmarle::ensureImageMagick();
    Magick::Image transparent(Magick::Geometry(8, 8), Magick::Color("transparent"));
    transparent.magick("PNG");
    Magick::Blob blob;
    transparent.write(&blob);
    TestPictures::writeFile(dir / "clear.png",
                            std::string(static_cast<const char*>(blob.data()), blob.length()));
    const auto image = Quorvel::makeRef<ImageData>();
    image->load(dir / "clear.png");
    const auto drawable = image->getDrawable();
    ASSERT_EQ(drawable->alpha.size(), 64u);
    EXPECT_EQ(drawable->alpha[0], 0);

    image->save(dir / "clear.jpg", ImageData::FORMAT_JPEG, 85);
    const auto jpeg = Quorvel::makeRef<ImageData>();
    jpeg->load(dir / "clear.jpg");
    EXPECT_TRUE(jpeg->getDrawable()->alpha.empty());
    EXPECT_GT(pixelAt(*jpeg->getDrawable(), 4, 4).red, 240);
}

TEST_F(ImageDataTest, GrayscaleColorizeAndOverlayChangeTheColours)
{
    const auto grey = loaded();
    grey->makeGrayscale();
    EXPECT_TRUE(isGrey(pixelAt(*grey->getDrawable(), 0, 0)));
    EXPECT_LT(pixelAt(*grey->getDrawable(), 0, 0).red, 200);

    const auto tinted = loaded();
    tinted->colorize(RGBColour{0, 0, 255});
    const Pixel corner = pixelAt(*tinted->getDrawable(), 39, 19);
    EXPECT_GT(corner.blue, corner.red + 20);

    const auto covered = loaded();
    covered->overlayColor(RGBColour{0, 255, 0}, 255);
    const Pixel green = pixelAt(*covered->getDrawable(), 0, 0);
    EXPECT_EQ(green.green, 255);
    EXPECT_EQ(green.red, 0);

    const auto untouched = loaded();
    const auto before = untouched->getDrawable()->rgb;
    untouched->overlayColor(RGBColour{0, 255, 0}, 0);
    EXPECT_EQ(untouched->getDrawable()->rgb, before);
    EXPECT_THROW(untouched->overlayColor(RGBColour{}, 256), Quorvel::LogicException);
}

TEST_F(ImageDataTest, PreviewIsDecodedSmallerButNeverSmallerThanAsked)
{
    TestPictures::writeJpeg(dir / "big.jpg", 4000, 3000);
    const auto preview = Quorvel::makeRef<ImageData>();
    preview->loadPreview(dir / "big.jpg");
    EXPECT_EQ(preview->getWidth(), 1000); // libjpeg's 1/4, the smallest at least 640 x 480
    EXPECT_EQ(preview->getHeight(), 750);
}

TEST_F(ImageDataTest, PreviewOfASmallPictureIsNotBlownUp)
{
    // With the size hint applied to a picture smaller than it, libjpeg would decode at twice
    // the size.
    TestPictures::writeJpeg(dir / "small.jpg", 300, 200);
    const auto preview = Quorvel::makeRef<ImageData>();
    preview->loadPreview(dir / "small.jpg");
    EXPECT_EQ(preview->getWidth(), 300);
    EXPECT_EQ(preview->getHeight(), 200);
    // Wide enough but not tall enough is still smaller than the hint.
    TestPictures::writeJpeg(dir / "strip.jpg", 4000, 300);
    preview->loadPreview(dir / "strip.jpg");
    EXPECT_EQ(preview->getWidth(), 4000);
    EXPECT_EQ(preview->getHeight(), 300);
}

TEST_F(ImageDataTest, LoadFittedTurnsAndFitsTheTurnedPicture)
{
    TestPictures::writeJpeg(dir / "big.jpg", 4000, 3000);
    const auto image = Quorvel::makeRef<ImageData>();
    image->loadFitted(dir / "big.jpg", 1920, 1080, 90);
    EXPECT_EQ(image->getWidth(), 810);
    EXPECT_EQ(image->getHeight(), 1080);
    EXPECT_TRUE(isRed(pixelAt(*image->getDrawable(), 800, 10)));
    image->loadFitted(dir / "big.jpg", 8000, 8000, 0); // never enlarged
    EXPECT_EQ(image->getWidth(), 4000);
}
