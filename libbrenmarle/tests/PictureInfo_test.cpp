#include <gtest/gtest.h>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "imaging/PictureInfo.h"

using Brenmarle::PictureInfo;

TEST(PictureInfo, NonPicturesAreNotRecognisedAndNothingIsThrown)
{
    ScratchDir dir;
    writeFile(dir / "movie.avi", "RIFF....AVI LIST");
    writeFile(dir / "empty.jpg", "");
    writeFile(dir / "cut.jpg", "\xff\xd8\xff\xe0");
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

TEST(PictureInfo, AMirroredOrientationLyingAcrossSwapsTheSize)
{
    ScratchDir dir;
    for (const auto& [orientation, width] : {std::pair{5, 48}, {7, 48}, {6, 64}, {2, 64}}) {
        TestPictures::writeJpeg(dir / "a.jpg", 64, 48,
                                {TestPictures::cameraExif(uint16_t(orientation)), {}, 90});
        const PictureInfo info = PictureInfo::read(dir / "a.jpg");
        EXPECT_EQ(info.width, width) << orientation;
        EXPECT_EQ(info.rotation, orientation == 6 ? 90 : 0);
    }
}
