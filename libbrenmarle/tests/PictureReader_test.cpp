#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "core/Exceptions.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/PictureReader.h"

using Brenmarle::PictureReader;

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
