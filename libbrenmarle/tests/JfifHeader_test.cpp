#include <gtest/gtest.h>

#include <Magick++.h>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "imaging/JfifHeader.h"

using Brenmarle::JfifHeader;

namespace {

// A JFIF APP0 segment as encoders write it: version 1.1, no density, no thumbnail.
const std::string JFIF_SEGMENT("\xFF\xE0\x00\x10JFIF\x00\x01\x01\x00\x00\x01\x00\x01\x00\x00", 18);
const std::string SOI("\xFF\xD8", 2);
// A start of scan with a few bytes of scan data after it, and the end.
const std::string SCAN("\xFF\xDA\x00\x04\x01\x02\x33\x44\xFF\xD9", 10);
// A comment segment.
const std::string COMMENT("\xFF\xFE\x00\x05hi!", 7);

std::string pictureBytes(const ScratchDir& dir, const TestPictures::JpegOptions& options = {})
{
    TestPictures::writeJpeg(dir / "picture.jpg", 64, 48, options);
    return dir.readFile("picture.jpg");
}

Magick::Image decode(const std::string& bytes)
{
    Magick::Image image;
    image.read(Magick::Blob(bytes.data(), bytes.size()));
    return image;
}

} // namespace

TEST(JfifHeader, RemovingItKeepsEveryOtherByteAndAPictureThatDecodes)
{
    ScratchDir dir;
    const std::string bytes = pictureBytes(dir, {TestPictures::cameraExif(1), {}, 90});
    ASSERT_TRUE(JfifHeader::isIn(bytes));
    const std::string without = JfifHeader::removeFrom(bytes);
    EXPECT_FALSE(JfifHeader::isIn(without));
    const size_t identifier = bytes.find(std::string("JFIF\0", 5));
    ASSERT_NE(identifier, std::string::npos);
    const size_t at = identifier - 4;
    const size_t length = (size_t(uint8_t(bytes[at + 2])) << 8) | uint8_t(bytes[at + 3]);
    EXPECT_EQ(without, bytes.substr(0, at) + bytes.substr(at + 2 + length));
    const Magick::Image image = decode(without);
    EXPECT_EQ(image.columns(), 64u);
    EXPECT_EQ(image.rows(), 48u);
    EXPECT_NE(without.find(std::string("Exif\0\0", 6)), std::string::npos); // the EXIF stays
    // Nothing more to take out.
    EXPECT_EQ(JfifHeader::removeFrom(without), without);
}

TEST(JfifHeader, OnlyHeaderSegmentsBeforeTheScanCount)
{
    EXPECT_TRUE(JfifHeader::isIn(SOI + COMMENT + JFIF_SEGMENT + SCAN));
    EXPECT_EQ(JfifHeader::removeFrom(SOI + COMMENT + JFIF_SEGMENT + SCAN), SOI + COMMENT + SCAN);
    // Fill bytes before a marker are allowed.
    EXPECT_TRUE(JfifHeader::isIn(SOI + "\xFF\xFF" + JFIF_SEGMENT + SCAN));
    EXPECT_EQ(JfifHeader::removeFrom(SOI + "\xFF" + JFIF_SEGMENT + SCAN), SOI + SCAN);
    // Its bytes inside the scan data, or in a comment, are no header.
    EXPECT_FALSE(JfifHeader::isIn(SOI + SCAN.substr(0, 6) + JFIF_SEGMENT + SCAN));
    const std::string inComment = SOI + std::string("\xFF\xFE\x00\x14", 4) + JFIF_SEGMENT + SCAN;
    EXPECT_FALSE(JfifHeader::isIn(inComment));
    EXPECT_EQ(JfifHeader::removeFrom(inComment), inComment);
    // An APP0 of another kind, or too short to name itself, stays.
    const std::string other = SOI + std::string("\xFF\xE0\x00\x07JFIX\x00", 9) + SCAN;
    const std::string shortOne = SOI + std::string("\xFF\xE0\x00\x04JF", 6) + SCAN;
    for (const std::string& bytes : {other, shortOne}) {
        EXPECT_FALSE(JfifHeader::isIn(bytes));
        EXPECT_EQ(JfifHeader::removeFrom(bytes), bytes);
    }
}

TEST(JfifHeader, CutOrHostileBytesHaveNoneAndStayAsTheyAre)
{
    const std::string cases[] = {
        "",
        "not a picture at all",
        SOI,
        JFIF_SEGMENT + SCAN,                             // no start of image
        SOI + JFIF_SEGMENT.substr(0, 10),                // cut inside the segment
        SOI + std::string("\xFF\xE0\xFF\xFFJFIF\x00", 9) // claims 64 KB
            + SCAN,
        SOI + std::string("\xFF\xE0\x00\x01JFIF\x00", 9) + SCAN, // a length below 2
        SOI + std::string("\xFF\x00", 2) + JFIF_SEGMENT + SCAN,  // no marker at all
        SOI + std::string(100, '\xFF'),                          // only fill bytes
    };
    for (const std::string& bytes : cases) {
        EXPECT_FALSE(JfifHeader::isIn(bytes)) << bytes.size();
        EXPECT_EQ(JfifHeader::removeFrom(bytes), bytes) << bytes.size();
    }
    // A header seen whole before the bytes end is there, but nothing is removed from bytes
    // that end before their scan.
    const std::string cut = SOI + JFIF_SEGMENT + COMMENT.substr(0, 5);
    EXPECT_TRUE(JfifHeader::isIn(cut));
    EXPECT_EQ(JfifHeader::removeFrom(cut), cut);
}

TEST(JfifHeader, TheFileIsRewrittenWithoutItAndAMissingFileHasNone)
{
    ScratchDir dir;
    const std::string bytes = pictureBytes(dir);
    ASSERT_TRUE(JfifHeader::isInFile(dir / "picture.jpg"));
    JfifHeader::removeFromFile(dir / "picture.jpg");
    const std::string written = dir.readFile("picture.jpg");
    EXPECT_EQ(written, JfifHeader::removeFrom(bytes));
    EXPECT_FALSE(JfifHeader::isInFile(dir / "picture.jpg"));
    EXPECT_EQ(decode(written).columns(), 64u);
    // A file with none is left alone.
    JfifHeader::removeFromFile(dir / "picture.jpg");
    EXPECT_EQ(dir.readFile("picture.jpg"), written);
    EXPECT_FALSE(JfifHeader::isInFile(dir / "missing.jpg"));
}
