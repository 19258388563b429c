#include <gtest/gtest.h>

#include <random>

#include "ScopedTimeZone.h"
#include "ScratchDir.h"
#include "TestPictures.h"
#include "exif/EXIFProfile.h"

using Brenmarle::EXIFProfile;
using TestPictures::Bytes;
using TestPictures::ExifBuilder;

namespace {

const int32_t JULY_14_2005_183005_UTC = 1121365805;

EXIFProfile profileOf(const Bytes& block)
{
    return EXIFProfile(block.data(), block.size());
}

} // namespace

TEST(EXIFProfileTime, CaptureTimeIsTheCameraClockReadAsUtcInEveryZone)
{
    ScratchDir dir;
    TestPictures::writeJpeg(dir / "a.jpg", 64, 48,
                            {TestPictures::cameraExif(1, "2005:07:14 18:30:05"), {}, 90});
    for (const char* zone : {"America/New_York", "Asia/Tokyo", "UTC"}) {
        const ScopedTimeZone tz(zone);
        EXPECT_EQ(EXIFProfile::timeFromDateText("2005:07:14 18:30:05"), JULY_14_2005_183005_UTC)
            << zone;
        EXPECT_EQ(EXIFProfile(dir / "a.jpg").getOriginalTime(), JULY_14_2005_183005_UTC) << zone;
    }
}

TEST(EXIFProfileTime, ZeroFieldsCountAsTheEpochAndCalendarEdgesAreExact)
{
    EXPECT_EQ(EXIFProfile::timeFromDateText("0000:00:00 00:00:00"), 0);
    // Only year, month and day may be 0; the rest of the date stays.
    EXPECT_EQ(EXIFProfile::timeFromDateText("0000:00:00 00:00:10"), 10);
    EXPECT_EQ(EXIFProfile::timeFromDateText("2005:00:00 00:00:00"),
              EXIFProfile::timeFromDateText("2005:01:01 00:00:00"));
    EXPECT_EQ(EXIFProfile::timeFromDateText("2000:02:29 12:00:00"), 951825600);
    EXPECT_EQ(EXIFProfile::timeFromDateText("2038:01:19 03:14:07"), 2147483647);
    // Separators are not checked; cameras that write "/" or "-" still give their date.
    EXPECT_EQ(EXIFProfile::timeFromDateText("2005-07-14T18:30:05Z"), JULY_14_2005_183005_UTC);
}

TEST(EXIFProfileTime, TextsThatAreNoDateGiveZero)
{
    for (const char* text : {"", "2005:07", "2005:07:14 18:3", "2005:07:14 1x:30:05",
                             "    :  :     :  :  ", "2005:13:01 00:00:00", "2005:02:29 00:00:00",
                             "1900:02:29 00:00:00", "2005:04:31 12:00:00", "2005:07:14 24:00:00",
                             "2005:07:14 18:60:00", "2005:07:14 18:30:60", "20O5:07:14 18:30:05",
                             "1969:12:31 23:59:59", "2038:01:19 03:14:08", "9999:12:31 23:59:59"})
        EXPECT_EQ(EXIFProfile::timeFromDateText(text), 0) << text;
}

TEST(EXIFProfileTime, ABlankTimeKeepsTheDateAndTheMaskSaysWhatIsKnown)
{
    const int32_t july14 = JULY_14_2005_183005_UTC - (18 * 3600 + 30 * 60 + 5);
    const EXIFProfile noClock = profileOf(TestPictures::cameraExif(1, "2005:07:14   :  :  "));
    EXPECT_EQ(noClock.getOriginalTime(), july14);
    EXPECT_EQ(noClock.getOriginalTimeMask(), EXIFProfile::TIME_MASK_DATE);
    EXPECT_EQ(EXIFProfile::timeFromDateText("2005:07:14"), july14);
    EXPECT_EQ(EXIFProfile::timeFromDateText("2005:07:14 18:  :  "), july14 + 18 * 3600);
    EXPECT_EQ(EXIFProfile::timeMaskFromDateText("2005:07:14 18:  :  "),
              EXIFProfile::TIME_MASK_DATE | EXIFProfile::TIME_MASK_HOUR);
    EXPECT_EQ(EXIFProfile::timeFromDateText("2005:07:14 18:30"), JULY_14_2005_183005_UTC - 5);
    EXPECT_EQ(EXIFProfile::timeMaskFromDateText("2005:07:14 18:30"), EXIFProfile::TIME_MASK_ALL);
    EXPECT_EQ(profileOf(TestPictures::cameraExif(1)).getOriginalTimeMask(),
              EXIFProfile::TIME_MASK_ALL);
}

TEST(EXIFProfileRotation, OnlyTheThreeTurnsGiveDegrees)
{
    const std::pair<int, int> cases[] = {{0, 0},  {1, 0}, {2, 0},   {3, 180}, {4, 0}, {5, 0},
                                         {6, 90}, {7, 0}, {8, 270}, {9, 0},   {-6, 0}};
    for (const auto& [orientation, degrees] : cases)
        EXPECT_EQ(EXIFProfile::rotationForOrientation(orientation), degrees) << orientation;
}

TEST(EXIFProfileTags, ReadsTheCameraTagsOfAJpeg)
{
    ScratchDir dir;
    TestPictures::writeJpeg(dir / "a.jpg", 64, 48, {TestPictures::cameraExif(6), {}, 90});
    const EXIFProfile profile(dir / "a.jpg");
    ASSERT_FALSE(profile.isEmpty());
    EXPECT_EQ(profile.getMake(), "Canon"); // written with trailing blanks
    EXPECT_EQ(profile.getModel(), "Canon PowerShot A80");
    EXPECT_EQ(profile.getCopyright(), "(c) Ada Lovelace");
    EXPECT_EQ(profile.getCaptureDateTime(), "2005:07:14 18:30:05");
    EXPECT_EQ(profile.getOrientation(), 6);
    EXPECT_EQ(profile.getRotation(), 90);
}

TEST(EXIFProfileTags, ByteOrderThumbnailTagsCopyrightPartsAndLatin1)
{
    const auto ifd0 = ExifBuilder::IFD0;
    const EXIFProfile nikon = profileOf(ExifBuilder(true)
                                            .ascii(ifd0, 0x010f, "NIKON CORPORATION")
                                            .shortValue(ifd0, 0x0112, 8)
                                            .build());
    EXPECT_EQ(nikon.getMake(), "NIKON CORPORATION");
    EXPECT_EQ(nikon.getRotation(), 270);
    // The thumbnail's own tags (IFD 1) do not describe the picture.
    const EXIFProfile withThumbnail = profileOf(ExifBuilder()
                                                    .shortValue(ifd0, 0x0112, 6)
                                                    .shortValue(ExifBuilder::IFD1, 0x0112, 1)
                                                    .ascii(ExifBuilder::IFD1, 0x010f, "maker")
                                                    .build());
    EXPECT_EQ(withThumbnail.getRotation(), 90);
    EXPECT_EQ(withThumbnail.getMake(), "");

    const auto copyright = [ifd0](const std::string& text) {
        return profileOf(ExifBuilder().ascii(ifd0, 0x8298, text).build()).getCopyright();
    };
    // Photographer and editor, or the editor only.
    EXPECT_EQ(copyright(std::string("Photo Ann\0Edit Bob", 18)), "Photo Ann - Edit Bob");
    EXPECT_EQ(copyright(std::string(" \0Edit Bob", 10)), "Edit Bob");
    // Latin-1 texts survive a UTF-8 locale.
    EXPECT_EQ(copyright("\xa9 J\xfcrgen"), wxString::FromUTF8("\xc2\xa9 J\xc3\xbcrgen"));
}

TEST(EXIFProfileEmpty, NoBlockGivesAnEmptyProfile)
{
    ScratchDir dir;
    TestPictures::writeJpeg(dir / "plain.jpg", 32, 32);
    writeFile(dir / "text.jpg", "not a picture at all");
    for (const wxString& path : {dir / "plain.jpg", dir / "text.jpg", dir / "missing.jpg"}) {
        const EXIFProfile profile(path);
        EXPECT_TRUE(profile.isEmpty()) << path;
        EXPECT_EQ(profile.getOriginalTime(), 0);
        EXPECT_EQ(profile.getRotation(), 0);
        EXPECT_TRUE(profile.getMake().empty());
        EXPECT_TRUE(profile.getEntries().empty());
    }
}

TEST(EXIFProfileEntries, ListsEveryEntryByName)
{
    const auto entries = profileOf(TestPictures::cameraExif(6)).getEntries();
    EXPECT_EQ(entries.at("Make"), "Canon   "); // the listing shows values as stored
    EXPECT_EQ(entries.at("Model"), "Canon PowerShot A80");
    EXPECT_EQ(entries.at("DateTimeOriginal"), "2005:07:14 18:30:05");
    EXPECT_EQ(entries.at("Orientation"), "Right-top");
    // Nothing the picture does not have: libexif may not add "mandatory" entries of its own.
    EXPECT_EQ(entries.count("DateTime"), 0u);
    EXPECT_EQ(entries.count("ExifVersion"), 0u);
}

// Broken and hostile blocks: the profile must come out empty or sane, never crash or hang.
// Run under AddressSanitizer these are the real check.
TEST(EXIFProfileHostile, EveryTruncationOfABlockIsSurvived)
{
    const Bytes block = TestPictures::cameraExif(6);
    for (size_t length = 0; length < block.size(); ++length) {
        const EXIFProfile profile(block.data(), length);
        EXPECT_TRUE(profile.getRotation() == 0 || profile.getRotation() == 90) << length;
        EXPECT_LE(profile.getMake().length(), 5u);
        profile.getEntries();
    }
}

TEST(EXIFProfileHostile, BogusOffsetsAndCountsGiveNoData)
{
    // The first entry of IFD 0: the block header (6), the TIFF header (8), the entry count (2),
    // then tag, type and count (8) before the value or its offset.
    const size_t firstValue = 6 + 8 + 2 + 8;
    Bytes textOutside = ExifBuilder()
                            .raw(ExifBuilder::IFD0, 0x010f, ExifBuilder::ASCII, 64, Bytes(64, 'A'))
                            .build();
    std::fill(textOutside.begin() + firstValue, textOutside.begin() + firstValue + 4, 0xee);
    const Bytes blocks[] = {
        // IFD 0 far outside the block
        {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xf0, 0xff, 0xff, 0xff},
        textOutside,
        // four billion shorts
        ExifBuilder()
            .raw(ExifBuilder::IFD0, 0x0112, ExifBuilder::SHORT, 0xffffffffu, {6, 0, 0, 0})
            .build(),
        // an orientation stored as a single byte
        ExifBuilder().raw(ExifBuilder::IFD0, 0x0112, ExifBuilder::BYTE, 1, {6}).build(),
    };
    for (const Bytes& block : blocks) {
        const EXIFProfile profile = profileOf(block);
        EXPECT_TRUE(profile.getMake().empty());
        EXPECT_EQ(profile.getRotation(), 0);
    }
}

TEST(EXIFProfileHostile, AnIfdThatLinksToItselfEnds)
{
    Bytes block = ExifBuilder().shortValue(ExifBuilder::IFD0, 0x0112, 3).build();
    // IFD 0 sits at offset 8 with one entry; its next-IFD link follows the entry.
    const size_t next = 6 + 8 + 2 + 12;
    block[next] = 8;
    const EXIFProfile profile = profileOf(block);
    EXPECT_EQ(profile.getRotation(), 180);
}

TEST(EXIFProfileHostile, RandomDamageIsSurvived)
{
    const Bytes original = TestPictures::cameraExif(6);
    std::mt19937 random(20050714);
    for (int round = 0; round < 3000; ++round) {
        Bytes block = original;
        const int flips = 1 + int(random() % 8);
        for (int i = 0; i < flips; ++i)
            block[6 + random() % (block.size() - 6)] = uint8_t(random());
        const EXIFProfile profile = profileOf(block);
        const int rotation = profile.getRotation();
        EXPECT_TRUE(rotation == 0 || rotation == 90 || rotation == 180 || rotation == 270);
        profile.getEntries();
        profile.getOriginalTime();
    }
}
