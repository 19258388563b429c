#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "core/Exceptions.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/PictureFormats.h"
#include "imaging/PictureReader.h"

using Brenmarle::PictureFormats;
using Brenmarle::PictureReader;
using Family = PictureFormats::Family;

namespace {

const char* formatOf(const std::string& head, const char* name = "/x/picture",
                     const char* contentType = "")
{
    return PictureReader::formatOf(reinterpret_cast<const unsigned char*>(head.data()), head.size(),
                                   wxString::FromUTF8(name), contentType);
}

std::string orNone(const char* format)
{
    return format ? format : "none";
}

} // namespace

TEST(PictureReaderFormats, SignaturesDecideAndOnlyTgaGoesByNameOrContentType)
{
    const std::pair<std::string, std::string> cases[] = {
        {std::string("\xff\xd8\xff\xe0", 4), "JPEG"},
        {std::string("\x89PNG\r\n\x1a\n", 8), "PNG"},
        {"GIF87a", "GIF"},
        {std::string("II*\0", 4), "TIFF"},
        {std::string("MM\0*", 4), "TIFF"},
        {std::string("II+\0", 4), "TIFF"},
        {"BM", "BMP"},
        {std::string("\xff\xd8", 2), "none"}, // too short to tell
        {"GIF90a", "none"},
        {"<?xml version='1.0'?><svg/>", "none"},
        {"", "none"},
    };
    for (const auto& [head, expected] : cases)
        EXPECT_EQ(orNone(formatOf(head)), expected) << head;
    EXPECT_EQ(orNone(formatOf(std::string(18, '\0'), "/x/shot.TGA")), "TGA");
    EXPECT_EQ(orNone(formatOf(std::string(18, '\0'), "/x/shot.tga.txt")), "none");
    EXPECT_EQ(orNone(formatOf(std::string("\x89PNG\r\n\x1a\n", 8), "/x/shot.tga")), "PNG");
    // In the picture store every file is ".vsaf"; the catalogue's content type tells a TGA.
    EXPECT_EQ(orNone(formatOf(std::string(18, '\0'), "/x/U.vsaf", "image/x-tga")), "TGA");
    EXPECT_EQ(orNone(formatOf(std::string(18, '\0'), "/x/U.vsaf", "image/jpeg")), "none");
    EXPECT_EQ(orNone(formatOf(std::string("\xff\xd8\xff", 3), "/x/U.vsaf", "image/x-tga")), "JPEG");
}

TEST(PictureReaderFormats, HeifByItsBrandAndRawByNameOnlyWhereTheyCanBeDecoded)
{
    const std::string heic = std::string("\0\0\0\x18", 4) + "ftypheic" + std::string(12, '\0');
    const std::string mif1 = std::string("\0\0\0\x18", 4) + "ftypmif1" + std::string(12, '\0');
    const std::string mp4 = std::string("\0\0\0\x18", 4) + "ftypisom" + std::string(12, '\0');
    const std::string heifFormat = PictureFormats::canDecode(Family::Heif) ? "HEIC" : "none";
    EXPECT_EQ(orNone(formatOf(heic, "/x/U.vsaf")), heifFormat);
    EXPECT_EQ(orNone(formatOf(mif1, "/x/IMG_1.HEIC")), heifFormat);
    EXPECT_EQ(orNone(formatOf(mp4, "/x/clip.heic")), "none"); // a video, whatever its name
    // Most RAW files are TIFF inside; they are never read as a TIFF (its first picture is a
    // thumbnail, if anything).
    const std::string tiff("II*\0", 4);
    const std::string rawFormat = PictureFormats::canDecode(Family::Raw) ? "NEF" : "none";
    EXPECT_EQ(orNone(formatOf(tiff, "/x/DSC_0001.NEF")), rawFormat);
    EXPECT_EQ(orNone(formatOf(tiff, "/x/U.vsaf", "image/x-nikon-nef")), rawFormat);
    EXPECT_EQ(orNone(formatOf(tiff, "/x/scan.tif")), "TIFF");
}

TEST(PictureFormats, CameraFormatsAreDecodedOnlyWithTheCoderAndWhatItNeeds)
{
    EXPECT_EQ(PictureFormats::familyOf("/card/IMG_0001.HEIC"), Family::Heif);
    EXPECT_EQ(PictureFormats::familyOf("IMG_0001.heif"), Family::Heif);
    EXPECT_EQ(PictureFormats::familyOf("DSC_0001.nef"), Family::Raw);
    EXPECT_EQ(PictureFormats::familyOf("_MG_0001.CR2"), Family::Raw);
    EXPECT_EQ(PictureFormats::familyOf("IMG_0001.JPG"), Family::Other);
    EXPECT_EQ(PictureFormats::familyOf("heic"), Family::Other);
    EXPECT_EQ(PictureFormats::familyOf("notes.heic.txt"), Family::Other);

    PictureFormats::Support none;
    EXPECT_FALSE(PictureFormats::canDecode(Family::Heif, none));
    EXPECT_FALSE(PictureFormats::canDecode(Family::Raw, none));
    EXPECT_FALSE(PictureFormats::canDecode(Family::Other, none));
    PictureFormats::Support heif = none;
    heif.heifCoder = true; // a coder that was built without libheif reads nothing
    EXPECT_FALSE(PictureFormats::canDecode(Family::Heif, heif));
    heif.heifBuiltIn = true;
    EXPECT_TRUE(PictureFormats::canDecode(Family::Heif, heif));
    PictureFormats::Support raw = none;
    raw.rawCoder = true; // the coder alone hands the work to a converter that is not there
    EXPECT_FALSE(PictureFormats::canDecode(Family::Raw, raw));
    raw.rawConverter = true;
    EXPECT_TRUE(PictureFormats::canDecode(Family::Raw, raw));
    raw.rawConverter = false;
    raw.rawBuiltIn = true;
    EXPECT_TRUE(PictureFormats::canDecode(Family::Raw, raw));

    EXPECT_EQ(PictureFormats::contentTypeOfCoder("HEIC"), "image/heic");
    EXPECT_STREQ(PictureFormats::coderOfContentType("image/x-canon-cr2"), "CR2");
    EXPECT_EQ(PictureFormats::coderOfContentType("image/jpeg"), nullptr);
}

TEST(PictureFormats, WhatThisComputerCountsAsDecodableReallyDecodes)
{
    ScratchDir dir;
    // A HEIF picture as a phone writes it, where this ImageMagick can write one.
    try {
        TestPictures::writePicture(dir / "IMG_0001.HEIC", 64, 48, "HEIC");
    } catch (const std::exception& e) {
        GTEST_SKIP() << "no HEIF encoder here: " << e.what();
    }
    if (PictureFormats::canDecode(Family::Heif)) {
        PictureReader reader(dir / "IMG_0001.HEIC");
        EXPECT_STREQ(reader.getFormat(), "HEIC");
        const Magick::Image image = reader.read();
        EXPECT_EQ(image.columns(), 64u);
        EXPECT_EQ(image.rows(), 48u);
    } else {
        EXPECT_THROW(PictureReader(dir / "IMG_0001.HEIC"), Brenmarle::NoImageException);
    }
    // A RAW file this computer cannot decode is no picture, not a TIFF's thumbnail.
    TestPictures::writePicture(dir / "DSC_0001.NEF", 64, 48, "TIFF");
    if (!PictureFormats::canDecode(Family::Raw)) {
        EXPECT_THROW(PictureReader(dir / "DSC_0001.NEF"), Brenmarle::NoImageException);
    }
}

TEST(PictureReaderFormats, ClaimedSizesBeyondTheLimitsAreRefusedBeforeDecoding)
{
    ScratchDir dir;
    // A GIF header claiming 60000 x 10 pixels, a BMP claiming 10 x 60000 rows stored top down.
    std::string gif = "GIF89a";
    gif += std::string("\x60\xea\x0a\x00", 4) + std::string(40, '\0');
    std::string bmp = "BM" + std::string(16, '\0');
    bmp += std::string("\x0a\x00\x00\x00", 4) + std::string("\xa0\x15\xff\xff", 4) +
           std::string(40, '\0');
    writeFile(dir / "wide.gif", gif);
    writeFile(dir / "tall.bmp", bmp);
    for (const wxString& path : {dir / "wide.gif", dir / "tall.bmp"}) {
        try {
            PictureReader reader(path);
            ADD_FAILURE() << "accepted " << path;
        } catch (const Brenmarle::ImageException& e) {
            EXPECT_NE(e.getMessage().find("too large"), wxString::npos) << e.getMessage();
        }
    }
}

TEST(ImageMagickSetup, StartingTwiceKeepsLimitsNoLooserThanOurs)
{
    Brenmarle::initImageMagick();
    Brenmarle::initImageMagick();
    const Brenmarle::ImageMagickLimits now = Brenmarle::currentImageMagickLimits();
    const Brenmarle::ImageMagickLimits& ours = Brenmarle::IMAGEMAGICK_LIMITS;
    EXPECT_LE(now.memory, ours.memory);
    EXPECT_LE(now.map, ours.map);
    EXPECT_LE(now.disk, ours.disk);
    EXPECT_LE(now.area, ours.area);
    EXPECT_LE(now.width, ours.width);
    EXPECT_LE(now.height, ours.height);
    EXPECT_LE(now.listLength, ours.listLength);
}
