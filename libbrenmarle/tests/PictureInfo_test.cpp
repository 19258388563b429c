#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "imaging/PictureInfo.h"

using Brenmarle::PictureInfo;
using TestPictures::concat;
using TestPictures::iptcRecord;

TEST(PictureInfo, AJpegTellsSizeTimeRotationAndCopyright)
{
    ScratchDir dir;
    TestPictures::writeJpeg(dir / "photo.jpg", 640, 480, {TestPictures::cameraExif(8), {}, 90});
    const PictureInfo info = PictureInfo::read(dir / "photo.jpg");
    ASSERT_TRUE(info.recognised);
    EXPECT_EQ(info.format, "JPEG");
    EXPECT_EQ(info.contentType, "image/jpeg");
    EXPECT_EQ(info.width, 640); // the stored pixels, not turned
    EXPECT_EQ(info.height, 480);
    EXPECT_EQ(info.time, 1121365805);
    EXPECT_EQ(info.rotation, 270);
    EXPECT_EQ(info.make, "Canon");
    EXPECT_EQ(info.copyright, "(c) Ada Lovelace");
    EXPECT_FALSE(info.hasIPTC);
}

TEST(PictureInfo, IptcFieldsComeThroughImageMagick)
{
    ScratchDir dir;
    const auto iptc = concat({iptcRecord(2, 120, "Harbour"), iptcRecord(2, 25, "sea"),
                              iptcRecord(2, 25, "boats"), iptcRecord(2, 90, "Hamburg"),
                              iptcRecord(2, 100, "DEU"), iptcRecord(2, 116, "(c) Ann")});
    // ImageMagick writes it as Photoshop resources in APP13 and hands back both forms.
    TestPictures::writeJpeg(dir / "photo.jpg", 64, 48, {TestPictures::cameraExif(1), iptc, 90});
    const PictureInfo info = PictureInfo::read(dir / "photo.jpg");
    ASSERT_TRUE(info.hasIPTC);
    EXPECT_EQ(info.iptc.caption, "Harbour");
    EXPECT_EQ(info.iptc.keywords, (std::set<wxString>{"boats", "sea"}));
    EXPECT_EQ(info.iptc.city, "Hamburg");
    EXPECT_EQ(info.iptc.countryCode, "DEU");
    EXPECT_EQ(info.iptc.copyright, "(c) Ann");
    EXPECT_EQ(info.copyright, "(c) Ada Lovelace"); // EXIF's stays apart
}

TEST(PictureInfo, EachKnownFormatHasItsContentType)
{
    ScratchDir dir;
    const std::pair<const char*, const char*> formats[] = {{"PNG", "image/png"},
                                                           {"GIF", "image/gif"},
                                                           {"TIFF", "image/tiff"},
                                                           {"BMP", "image/bmp"},
                                                           {"TGA", "image/x-tga"}};
    for (const auto& [magick, type] : formats) {
        const wxString path = dir / (wxString("picture.") + wxString(magick).Lower());
        TestPictures::writePicture(path, 30, 20, magick);
        const PictureInfo info = PictureInfo::read(path);
        EXPECT_TRUE(info.recognised) << magick;
        EXPECT_EQ(info.contentType, type);
        EXPECT_EQ(info.width, 30) << magick;
        EXPECT_EQ(info.time, 0) << magick;
    }
}

TEST(PictureInfo, TheContentDecidesNotTheName)
{
    ScratchDir dir;
    TestPictures::writePicture(dir / "really-a-png.jpg", 30, 20, "PNG");
    EXPECT_EQ(PictureInfo::read(dir / "really-a-png.jpg").contentType, "image/png");
}

TEST(PictureInfo, NonPicturesAreNotRecognisedAndNothingIsThrown)
{
    ScratchDir dir;
    TestPictures::writeFile(dir / "movie.avi", "RIFF....AVI LIST");
    TestPictures::writeFile(dir / "empty.jpg", "");
    TestPictures::writeFile(dir / "cut.jpg", "\xff\xd8\xff\xe0");
    for (const wxString& path :
         {dir / "movie.avi", dir / "empty.jpg", dir / "cut.jpg", dir / "gone.jpg"}) {
        const PictureInfo info = PictureInfo::read(path);
        EXPECT_FALSE(info.recognised) << path;
        EXPECT_TRUE(info.contentType.empty());
        EXPECT_EQ(info.width, 0);
    }
}

TEST(PictureInfo, AUserEditedTimeIsKeptUnlessItIsMissing)
{
    EXPECT_TRUE(PictureInfo::replacesTime(false, 1121365805));
    EXPECT_FALSE(PictureInfo::replacesTime(true, 1121365805));
    EXPECT_TRUE(PictureInfo::replacesTime(true, 0));
    EXPECT_TRUE(PictureInfo::replacesTime(true, -1));
}
