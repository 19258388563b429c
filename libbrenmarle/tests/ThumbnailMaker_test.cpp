#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "ScratchDir.h"
#include "TestPictures.h"
#include "core/Exceptions.h"
#include "exif/EXIFProfile.h"
#include "imaging/ImageData.h"
#include "imaging/PictureInfo.h"
#include "imaging/ThumbnailMaker.h"

using Brenmarle::ImageData;
using Brenmarle::ThumbnailMaker;

namespace {

class ThumbnailMakerTest : public ::testing::Test {
protected:
    Quorvel::Ref<ImageData> load(const wxString& path)
    {
        auto image = Quorvel::makeRef<ImageData>();
        image->load(path);
        return image;
    }
    ScratchDir dir;
};

bool redAt(const Brenmarle::RGBImage& image, int x, int y)
{
    const size_t at = (size_t(y) * size_t(image.width) + size_t(x)) * 3;
    return image.rgb[at] > 200 && image.rgb[at + 1] < 60 && image.rgb[at + 2] < 60;
}

} // namespace

TEST_F(ThumbnailMakerTest, A12MegapixelPictureGivesA160By120Jpeg)
{
    TestPictures::writeJpeg(dir / "photo.jpg", 4000, 3000);
    ThumbnailMaker::makeThumbnail(dir / "photo.jpg", dir / "thumbs/abc/photo+1.vstf", 0);
    const std::string bytes = readFile(dir / "thumbs/abc/photo+1.vstf");
    EXPECT_EQ(bytes.substr(0, 3), "\xff\xd8\xff");
    const auto thumbnail = load(dir / "thumbs/abc/photo+1.vstf");
    EXPECT_EQ(thumbnail->getWidth(), 160);
    EXPECT_EQ(thumbnail->getHeight(), 120);
    EXPECT_TRUE(redAt(*thumbnail->getDrawable(), 10, 10));
}

TEST_F(ThumbnailMakerTest, OrientationSixGivesAnUprightThumbnailThatIsNotTurnedAgain)
{
    TestPictures::writeJpeg(dir / "photo.jpg", 4000, 3000, {TestPictures::cameraExif(6), {}, 90});
    const Brenmarle::PictureInfo info = Brenmarle::PictureInfo::read(dir / "photo.jpg");
    ASSERT_EQ(info.rotation, 90);
    ThumbnailMaker::makeThumbnail(dir / "photo.jpg", dir / "thumb.jpg", info.rotation);
    const auto thumbnail = load(dir / "thumb.jpg");
    EXPECT_EQ(thumbnail->getWidth(), 120);
    EXPECT_EQ(thumbnail->getHeight(), 160);
    EXPECT_TRUE(redAt(*thumbnail->getDrawable(), 110, 10)); // top-left corner went top-right
    const Brenmarle::EXIFProfile exif(dir / "thumb.jpg");
    EXPECT_TRUE(exif.isEmpty());
    EXPECT_EQ(exif.getRotation(), 0);
    EXPECT_EQ(Brenmarle::PictureInfo::read(dir / "thumb.jpg").rotation, 0);
}

TEST_F(ThumbnailMakerTest, SmallPicturesAreNotEnlarged)
{
    const std::pair<std::pair<int, int>, std::pair<int, int>> cases[] = {{{100, 50}, {100, 50}},
                                                                         {{160, 160}, {160, 160}},
                                                                         {{1000, 3}, {160, 1}},
                                                                         {{200, 300}, {107, 160}}};
    for (const auto& [source, expected] : cases) {
        TestPictures::writeJpeg(dir / "small.jpg", source.first, source.second);
        ThumbnailMaker::makeThumbnail(dir / "small.jpg", dir / "small-thumb.jpg", 0);
        const auto thumbnail = load(dir / "small-thumb.jpg");
        EXPECT_EQ(thumbnail->getWidth(), expected.first) << source.first << "x" << source.second;
        EXPECT_EQ(thumbnail->getHeight(), expected.second) << source.first << "x" << source.second;
    }
}

TEST_F(ThumbnailMakerTest, OtherFormatsAreThumbnailedToo)
{
    for (const char* magick : {"PNG", "GIF", "TIFF", "BMP", "TGA"}) {
        const wxString source = dir / (wxString("picture.") + wxString(magick).Lower());
        TestPictures::writePicture(source, 640, 480, magick);
        ThumbnailMaker::makeThumbnail(source, dir / "thumb.jpg", 180);
        const auto thumbnail = load(dir / "thumb.jpg");
        EXPECT_EQ(thumbnail->getWidth(), 160) << magick;
        EXPECT_TRUE(redAt(*thumbnail->getDrawable(), 150, 110)) << magick;
    }
}

TEST_F(ThumbnailMakerTest, ResizedCopiesFitTheTurnedPictureIntoTheDisplay)
{
    TestPictures::writeJpeg(dir / "photo.jpg", 4000, 3000, {TestPictures::cameraExif(6), {}, 90});
    ThumbnailMaker::makeResizedCopy(dir / "photo.jpg", dir / "resized/1920x1080/abc/p+1.vstf", 1920,
                                    1080, 90);
    const auto copy = load(dir / "resized/1920x1080/abc/p+1.vstf");
    EXPECT_EQ(copy->getWidth(), 810);
    EXPECT_EQ(copy->getHeight(), 1080);
    EXPECT_TRUE(redAt(*copy->getDrawable(), 800, 10)); // turned clockwise
    EXPECT_TRUE(Brenmarle::EXIFProfile(dir / "resized/1920x1080/abc/p+1.vstf").isEmpty());
    // A display larger than the picture does not enlarge it.
    ThumbnailMaker::makeResizedCopy(dir / "photo.jpg", dir / "big.vstf", 8000, 8000, 0);
    EXPECT_EQ(load(dir / "big.vstf")->getWidth(), 4000);
}

TEST_F(ThumbnailMakerTest, ADirectoryThatCannotBeMadeIsReported)
{
    TestPictures::writeJpeg(dir / "photo.jpg", 400, 300);
    writeFile(dir / "thumbnails", "a file where the directory should be");
    EXPECT_THROW(ThumbnailMaker::makeThumbnail(dir / "photo.jpg", dir / "thumbnails/abc/t.vstf", 0),
                 Quorvel::FileNotFoundException);
}

TEST_F(ThumbnailMakerTest, TwoThreadsMakeTheSameThumbnailsAsOne)
{
    const int count = 6;
    for (int i = 0; i < count; ++i)
        TestPictures::writeJpeg(dir / wxString::Format("p%d.jpg", i), 800 + 40 * i, 600,
                                {TestPictures::cameraExif(i % 2 ? 6 : 1), {}, 90});
    const auto make = [this](int first, int step, const wxString& prefix) {
        for (int i = first; i < count; i += step)
            ThumbnailMaker::makeThumbnail(dir / wxString::Format("p%d.jpg", i),
                                          dir / wxString::Format("%s%d.jpg", prefix, i),
                                          i % 2 ? 90 : 0);
    };
    make(0, 1, "one");
    std::thread first([&] { make(0, 2, "two"); });
    std::thread second([&] { make(1, 2, "two"); });
    first.join();
    second.join();
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(readFile(dir / wxString::Format("one%d.jpg", i)),
                  readFile(dir / wxString::Format("two%d.jpg", i)))
            << i;
}

TEST_F(ThumbnailMakerTest, ThreadsWritingIntoOneNewDirectoryAllSucceed)
{
    // Loader threads making the first thumbnails of a folder race to make its directory.
    TestPictures::writeJpeg(dir / "photo.jpg", 64, 48);
    const auto image = load(dir / "photo.jpg");
    const int threads = 6;
    for (int round = 0; round < 15; ++round) {
        std::atomic<int> ready{0};
        std::atomic<int> failures{0};
        std::vector<std::thread> writers;
        for (int i = 0; i < threads; ++i)
            writers.emplace_back([&, i] {
                const wxString path = dir / wxString::Format("r%d/a/b/c/d/%d.jpg", round, i);
                for (++ready; ready < threads;)
                    std::this_thread::yield();
                try {
                    ThumbnailMaker::writeCacheFile(*image, path);
                } catch (const Quorvel::Exception&) {
                    ++failures;
                }
            });
        for (std::thread& writer : writers)
            writer.join();
        ASSERT_EQ(failures, 0) << "round " << round;
    }
}

// Broken and hostile files end as exceptions, leave no thumbnail behind and do not disturb the
// next picture.
class ThumbnailMakerHostileTest : public ThumbnailMakerTest {
protected:
    void expectFailure(const wxString& source, bool noPicture)
    {
        const wxString target = dir / "out/thumb.jpg";
        try {
            ThumbnailMaker::makeThumbnail(source, target, 0);
            ADD_FAILURE() << "no exception for " << source;
        } catch (const Brenmarle::NoImageException& e) {
            EXPECT_TRUE(noPicture) << e.getMessage();
        } catch (const Brenmarle::ImageException& e) {
            EXPECT_FALSE(noPicture) << e.getMessage();
            m_lastMessage = e.getMessage();
        }
        EXPECT_EQ(filesUnder(dir / "out"), 0u) << "nothing left behind";
    }
    wxString m_lastMessage;
};

TEST_F(ThumbnailMakerHostileTest, EmptyAndNonPictureFilesAreNoPicturesAndJpegsCutInTheHeaderFail)
{
    for (const char* text : {"", "Dear diary, today I took no pictures.\n",
                             "<svg xmlns='http://www.w3.org/2000/svg'/>"}) {
        writeFile(dir / "text.jpg", text);
        expectFailure(dir / "text.jpg", true);
    }
    TestPictures::writeJpeg(dir / "whole.jpg", 640, 480);
    const std::string whole = readFile(dir / "whole.jpg");
    for (size_t length : {size_t(3), size_t(200)}) {
        writeFile(dir / "cut.jpg", whole.substr(0, length));
        expectFailure(dir / "cut.jpg", false);
    }
}

TEST_F(ThumbnailMakerHostileTest, AJpegThatEndsEarlyGivesTheThumbnailOfWhatCouldBeDecoded)
{
    TestPictures::writeJpeg(dir / "whole.jpg", 640, 480);
    const std::string whole = readFile(dir / "whole.jpg");
    for (size_t length : {whole.size() * 3 / 4, whole.size() - 2}) {
        writeFile(dir / "cut.jpg", whole.substr(0, length));
        // Scaled and turned like any other: the decoder's warning stops nothing.
        ThumbnailMaker::makeThumbnail(dir / "cut.jpg", dir / "thumb.jpg", 90);
        const auto thumbnail = load(dir / "thumb.jpg");
        EXPECT_EQ(thumbnail->getWidth(), 120) << length;
        EXPECT_EQ(thumbnail->getHeight(), 160) << length;
        EXPECT_TRUE(redAt(*thumbnail->getDrawable(), 110, 10)) << length;
    }
}

TEST_F(ThumbnailMakerHostileTest, ADecompressionBombFailsClearly)
{
    TestPictures::writePngBomb(dir / "bomb.png");
    expectFailure(dir / "bomb.png", false);
    EXPECT_NE(m_lastMessage.find("too large"), wxString::npos) << m_lastMessage;
    TestPictures::writeJpeg(dir / "fine.jpg", 640, 480);
    ThumbnailMaker::makeThumbnail(dir / "fine.jpg", dir / "fine-thumb.jpg", 0);
    EXPECT_EQ(load(dir / "fine-thumb.jpg")->getWidth(), 160);
}

TEST_F(ThumbnailMakerHostileTest, CorruptExifDoesNotStopTheThumbnail)
{
    TestPictures::Bytes exif = TestPictures::cameraExif(6);
    exif[6 + 4] = 0xf0; // IFD 0 offset far outside the block
    exif[6 + 7] = 0x7f;
    TestPictures::writeJpeg(dir / "photo.jpg", 800, 600, {exif, {}, 90});
    const Brenmarle::PictureInfo info = Brenmarle::PictureInfo::read(dir / "photo.jpg");
    EXPECT_TRUE(info.recognised);
    EXPECT_EQ(info.rotation, 0);
    ThumbnailMaker::makeThumbnail(dir / "photo.jpg", dir / "thumb.jpg", info.rotation);
    EXPECT_EQ(load(dir / "thumb.jpg")->getWidth(), 160);
}

TEST_F(ThumbnailMakerHostileTest, StrayBytesBetweenJpegSegmentsAreHarmless)
{
    TestPictures::writeJpeg(dir / "whole.jpg", 640, 480);
    std::string bytes = readFile(dir / "whole.jpg");
    const size_t quantTable = bytes.find("\xff\xdb");
    ASSERT_NE(quantTable, std::string::npos);
    bytes.insert(quantTable, "junk");
    writeFile(dir / "stray.jpg", bytes);
    ThumbnailMaker::makeThumbnail(dir / "stray.jpg", dir / "thumb.jpg", 0);
    EXPECT_EQ(load(dir / "thumb.jpg")->getWidth(), 160);
}

TEST_F(ThumbnailMakerHostileTest, FileNamesAreNotReadAsImageMagickSyntax)
{
    TestPictures::writeJpeg(dir / "holiday[1].jpg", 320, 240);
    TestPictures::writeJpeg(dir / "png:beach.jpg", 320, 240);
    ThumbnailMaker::makeThumbnail(dir / "holiday[1].jpg", dir / "t1.jpg", 0);
    ThumbnailMaker::makeThumbnail(dir / "png:beach.jpg", dir / "t2[0].jpg", 0);
    EXPECT_EQ(load(dir / "t1.jpg")->getWidth(), 160);
    EXPECT_EQ(load(dir / "t2[0].jpg")->getWidth(), 160);
}
