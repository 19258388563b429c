#include <gtest/gtest.h>

#include <Magick++.h>
#include <wx/dir.h>
#include <wx/filename.h>

#include "PhotoLibraryTest.h"
#include "TestPictures.h"
#include "core/Exceptions.h"
#include "exif/EXIFProfile.h"
#include "folders/AlbumFolder.h"
#include "folders/TempFolder.h"
#include "imaging/ImageMagickSetup.h"
#include "imaging/PictureSaver.h"
#include "system/Exceptions.h"

using Brenmarle::File;
using Brenmarle::ImageData;
using Brenmarle::PictureSaver;
using Quorvel::Ref;

namespace {

class PictureSaverTest : public PhotoLibraryTest {
protected:
    // A camera picture stored sideways (orientation 6) in the inbox; the scan turns it by 90.
    Ref<File> inboxPicture()
    {
        TestPictures::writeJpeg(home.path() + "Pictures/side.jpg", 80, 60,
                                {TestPictures::cameraExif(6), {}, 95});
        Ref<File> source = manager->getFile("file://" + home.path() + "Pictures/side.jpg");
        return manager->getFolder("inbox://")->copyFileIn(*source);
    }

    // File names in `directory`, sorted.
    static std::vector<wxString> namesIn(const wxString& directory)
    {
        wxArrayString found;
        wxDir::GetAllFiles(directory, &found, wxEmptyString, wxDIR_FILES);
        std::vector<wxString> names;
        for (const wxString& path : found)
            names.push_back(wxFileName(path).GetFullName());
        std::sort(names.begin(), names.end());
        return names;
    }
};

// Channels as the file on disk declares them: a JPEG's frame header, a PNG's colour type.
int channelsOnDisk(const wxString& path)
{
    const std::string bytes = readFile(path);
    if (bytes.compare(0, 4, "\x89PNG") == 0) {
        switch (bytes.at(25)) {
        case 0:
            return 1;
        case 4:
            return 2;
        case 2:
        case 3:
            return 3;
        case 6:
            return 4;
        }
        return -1;
    }
    for (size_t at = 2; at + 9 < bytes.size();) {
        if (static_cast<unsigned char>(bytes[at]) != 0xff)
            return -1;
        const auto marker = static_cast<unsigned char>(bytes[at + 1]);
        if (marker >= 0xc0 && marker <= 0xc3)
            return static_cast<unsigned char>(bytes[at + 9]);
        at += 2 + (size_t(static_cast<unsigned char>(bytes[at + 2])) << 8) +
              static_cast<unsigned char>(bytes[at + 3]);
    }
    return -1;
}

// The saved picture as read back from disk: its pixel (x, y) in 8 bits.
struct SavedPixel {
    int red, green, blue;
};
SavedPixel savedPixel(const wxString& path, int x, int y)
{
    Brenmarle::ensureImageMagick();
    Magick::Image saved(std::string(path.utf8_str()));
    saved.colorSpace(MagickCore::sRGBColorspace);
    const Magick::ColorRGB colour = saved.pixelColor(size_t(x), size_t(y));
    return {int(colour.red() * 255), int(colour.green() * 255), int(colour.blue() * 255)};
}

// A structurally valid RGB colour profile with no tags: enough for every coder to keep it.
std::string colourProfile()
{
    std::string icc(132, '\0');
    icc[3] = char(132);                                                         // length
    icc.replace(12, 4, "mntr");                                                 // device class
    icc.replace(16, 4, "RGB ");                                                 // colour space
    icc.replace(20, 4, "XYZ ");                                                 // connection space
    icc.replace(36, 4, "acsp");                                                 // signature
    icc.replace(68, 12, std::string("\0\0\xf6\xd6\0\x01\0\0\0\0\xd3\x2d", 12)); // D50
    return icc;
}

void attachProfile(Magick::Image& image, const char* name, const std::string& bytes)
{
    MagickCore::StringInfo* info = MagickCore::AcquireStringInfo(bytes.size());
    MagickCore::SetStringInfoDatum(info, reinterpret_cast<const unsigned char*>(bytes.data()));
    MagickCore::SetImageProfile(image.image(), name, info);
    MagickCore::DestroyStringInfo(info);
}

std::string profileOf(const wxString& path, const char* name)
{
    Magick::Image saved(std::string(path.utf8_str()));
    const Magick::Blob blob = saved.profile(name);
    return std::string(static_cast<const char*>(blob.data()), blob.length());
}

} // namespace

TEST_F(PictureSaverTest, ColourEffectsAreSavedInColourAfterGrey)
{
    const wxString folder = home.path() + "Pictures/";
    TestPictures::writeJpeg(folder + "colour.jpg", 40, 30);
    Ref<File> colour = manager->getFile("file://" + folder + "colour.jpg");
    wxFileName::Mkdir(home.path() + "Out", 0700, wxPATH_MKDIR_FULL);
    const wxString out = "file://" + home.path() + "Out/";

    // Black/White applied, then sepia over it, saved over the original.
    Ref<ImageData> image = PictureSaver::loadForEditing(*colour);
    image->makeGrayscale();
    image->makeSepia();
    PictureSaver::saveOver(*colour, *image);
    EXPECT_EQ(channelsOnDisk(folder + "colour.jpg"), 3);
    SavedPixel p = savedPixel(folder + "colour.jpg", 30, 20);
    EXPECT_GT(p.red - p.blue, 20);

    // The warmer sepia (grey first, within), as new copies in both formats.
    image = PictureSaver::loadForEditing(*colour);
    image->colorize();
    for (int format : {ImageData::FORMAT_JPEG, ImageData::FORMAT_PNG}) {
        Ref<File> copy = PictureSaver::saveCopy(*image, out, "warm", format, 85);
        const wxString path = manager->getLocalPath(*copy);
        EXPECT_EQ(channelsOnDisk(path), 3) << path;
        p = savedPixel(path, 30, 20);
        EXPECT_GT(p.red - p.blue, 20) << path;
    }

    // Black/White alone stays a true-colour picture with equal channels.
    image = PictureSaver::loadForEditing(*colour);
    image->makeGrayscale();
    Ref<File> grey = PictureSaver::saveCopy(*image, out, "grey", ImageData::FORMAT_JPEG, 85);
    EXPECT_EQ(channelsOnDisk(manager->getLocalPath(*grey)), 3);

    // A picture that was grey to begin with.
    Brenmarle::ensureImageMagick();
    Magick::Image greyPicture(Magick::Geometry(20, 20), Magick::Color("gray50"));
    greyPicture.type(MagickCore::GrayscaleType);
    greyPicture.write(std::string((folder + "grey.jpg").utf8_str()));
    ASSERT_EQ(channelsOnDisk(folder + "grey.jpg"), 1);
    Ref<File> wasGrey = manager->getFile("file://" + folder + "grey.jpg");
    image = PictureSaver::loadForEditing(*wasGrey);
    image->makeSepia();
    PictureSaver::saveOver(*wasGrey, *image);
    EXPECT_EQ(channelsOnDisk(folder + "grey.jpg"), 3);
    p = savedPixel(folder + "grey.jpg", 10, 10);
    EXPECT_GT(p.red - p.blue, 20);
}

TEST_F(PictureSaverTest, MetadataOutlivesGreyAndFlatteningOntoWhite)
{
    Brenmarle::ensureImageMagick();
    const wxString folder = home.path() + "Pictures/";
    const std::string icc = colourProfile();
    const TestPictures::Bytes exif = TestPictures::cameraExif(1);
    const TestPictures::Bytes iptc = TestPictures::iptcRecord(2, 120, "A caption");

    // A colour profile through the round trip to grey and back.
    TestPictures::writeJpeg(folder + "profiled.jpg", 40, 30, {exif, iptc, 90});
    {
        Magick::Image withProfile(std::string((folder + "profiled.jpg").utf8_str()));
        attachProfile(withProfile, "icc", icc);
        withProfile.write(std::string((folder + "profiled.jpg").utf8_str()));
    }
    ASSERT_EQ(profileOf(folder + "profiled.jpg", "icc"), icc);
    Ref<File> profiled = manager->getFile("file://" + folder + "profiled.jpg");
    Ref<ImageData> image = PictureSaver::loadForEditing(*profiled);
    image->makeGrayscale();
    PictureSaver::saveOver(*profiled, *image);
    EXPECT_EQ(profileOf(folder + "profiled.jpg", "icc"), icc);
    EXPECT_EQ(Brenmarle::EXIFProfile(folder + "profiled.jpg").getMake(), "Canon");

    // Transparent pictures with what their formats carry, saved as JPEG copies: TIFF keeps the
    // colour profile, XMP and comment, PNG the IPTC record.
    Magick::Image clear(Magick::Geometry(16, 16), Magick::Color("transparent"));
    clear.type(MagickCore::TrueColorMatteType);
    attachProfile(clear, "icc", icc);
    attachProfile(clear, "iptc", std::string(iptc.begin(), iptc.end()));
    const std::string xmp = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"></x:xmpmeta>";
    attachProfile(clear, "xmp", xmp);
    clear.comment("Taken at dawn");
    clear.defineValue("png", "color-type", "6"); // colour with transparency, as the profile says
    clear.write(std::string((folder + "clear.tif").utf8_str()));
    clear.write(std::string((folder + "clear.png").utf8_str()));
    wxFileName::Mkdir(home.path() + "Out", 0700, wxPATH_MKDIR_FULL);
    const auto flattened = [&](const char* name) {
        Ref<File> transparent = manager->getFile("file://" + folder + name);
        Ref<File> copy = PictureSaver::saveCopy(*PictureSaver::loadForEditing(*transparent),
                                                "file://" + home.path() + "Out/", name,
                                                ImageData::FORMAT_JPEG, 85);
        const wxString path = manager->getLocalPath(*copy);
        EXPECT_GT(savedPixel(path, 8, 8).red, 240) << name; // onto white
        return path;
    };
    const wxString fromTiff = flattened("clear.tif");
    EXPECT_EQ(profileOf(fromTiff, "icc"), icc);
    EXPECT_NE(profileOf(fromTiff, "xmp").find("xmpmeta"), std::string::npos);
    EXPECT_EQ(Magick::Image(std::string(fromTiff.utf8_str())).comment(), "Taken at dawn");
    EXPECT_NE(profileOf(flattened("clear.png"), "iptc").find("A caption"), std::string::npos);
}

TEST_F(PictureSaverTest, SavingOverWritesTheTurnedFullSizePictureOnceAndUpdatesTheRecord)
{
    Ref<File> picture = inboxPicture();
    ASSERT_EQ(picture->getImageRotation(), 90);
    const wxString path = manager->getLocalPath(*picture);
    const wxString thumbnail = manager->getFolder("inbox://")->getThumbnailPath(*picture);
    ASSERT_TRUE(wxFileExists(thumbnail));

    Ref<ImageData> image = PictureSaver::loadForEditing(*picture);
    ASSERT_EQ(image->getWidth(), 60); // full size, turned as shown
    ASSERT_EQ(image->getHeight(), 80);
    image->crop(0, 0, 60, 50);
    events->processPending();
    const size_t before = events->count();
    PictureSaver::saveOver(*picture, *image);

    Brenmarle::ensureImageMagick();
    Magick::Image saved;
    saved.read(std::string(path.utf8_str()));
    EXPECT_EQ(saved.magick(), "JPEG");
    EXPECT_EQ(saved.quality(), 85u);
    EXPECT_EQ(saved.columns(), 60u);
    EXPECT_EQ(saved.rows(), 50u);
    const Brenmarle::EXIFProfile exif(path);
    EXPECT_EQ(exif.getOrientation(), 1); // no viewer turns it again
    EXPECT_EQ(exif.getMake(), "Canon");

    Ref<File> stored = Brenmarle::Database::getInstance().loadFile(picture->getURI());
    EXPECT_EQ(stored->getImageRotation(), 0);
    EXPECT_EQ(stored->getImageWidth(), 60);
    EXPECT_EQ(stored->getImageHeight(), 50);
    EXPECT_EQ(stored->getFileSize(), static_cast<int32_t>(wxFileName(path).GetSize().ToULong()));
    EXPECT_EQ(stored->getContentType(), "image/jpeg");
    EXPECT_TRUE(stored->isFileUserModified());
    EXPECT_FALSE(wxFileExists(thumbnail));
    EXPECT_EQ(namesIn(wxFileName(path).GetPath()),
              std::vector<wxString>{wxFileName(path).GetFullName()});

    events->processPending();
    ASSERT_EQ(events->count(), before + 1);
    EXPECT_EQ(events->typeAt(before), Brenmarle::FILE_CHANGED);
    EXPECT_EQ(events->at<Brenmarle::FileEvent>(before).getChangeMask(),
              Brenmarle::FileEvent::CHANGED_PICTURE);
    // Opened again, the saved picture is upright as it was saved.
    EXPECT_EQ(PictureSaver::loadForEditing(*picture)->getHeight(), 50);
}

TEST_F(PictureSaverTest, AFailedSaveLeavesTheOriginalAndNoTemporaryFile)
{
    const wxString folder = home.path() + "Pictures/";
    TestPictures::writeJpeg(folder + "keep.jpg", 40, 30);
    Ref<File> picture = manager->getFile("file://" + folder + "keep.jpg");
    Ref<ImageData> image = PictureSaver::loadForEditing(*picture);
    image->crop(0, 0, 10, 10);
    const auto bytes = wxFileName(folder + "keep.jpg").GetSize();
    const int32_t recordedSize = picture->getFileSize();
    // The file was replaced by a directory meanwhile: the rename fails.
    wxRenameFile(folder + "keep.jpg", folder + "moved.jpg");
    wxFileName::Mkdir(folder + "keep.jpg/inside", 0700, wxPATH_MKDIR_FULL);
    EXPECT_THROW(PictureSaver::saveOver(*picture, *image), Quorvel::IOException);
    EXPECT_EQ(namesIn(folder), std::vector<wxString>{"moved.jpg"});
    EXPECT_EQ(picture->getFileSize(), recordedSize);

    const auto notLoaded = Quorvel::makeRef<ImageData>();
    wxFileName::Rmdir(folder + "keep.jpg", wxPATH_RMDIR_RECURSIVE);
    wxRenameFile(folder + "moved.jpg", folder + "keep.jpg");
    EXPECT_THROW(PictureSaver::saveOver(*picture, *notLoaded), Quorvel::NotLoadedException);
    EXPECT_EQ(wxFileName(folder + "keep.jpg").GetSize(), bytes);
    EXPECT_EQ(namesIn(folder), std::vector<wxString>{"keep.jpg"});

    auto remote = Quorvel::makeRef<File>("http://example.invalid/a.jpg");
    try {
        PictureSaver::saveOver(*remote, *image);
        FAIL() << "saved into a remote folder";
    } catch (const Quorvel::RuntimeException& e) {
        EXPECT_EQ(e.getMessage(), "Folder is not a local folder");
    }
    EXPECT_FALSE(PictureSaver::whyReadOnly(*remote).empty());
    EXPECT_TRUE(PictureSaver::whyReadOnly(*picture).empty());
}

TEST_F(PictureSaverTest, APictureDeletedWhileEditedIsNotBroughtBack)
{
    Ref<File> picture = inboxPicture();
    picture->addKeyword("beach");
    manager->getFolder("inbox://")->saveFileMetadata(*picture);
    const wxString store = wxFileName(manager->getLocalPath(*picture)).GetPath();
    Ref<ImageData> image = PictureSaver::loadForEditing(*picture);
    image->crop(0, 0, 30, 30);

    manager->getFolder("inbox://")->deleteFile(*picture);
    ASSERT_TRUE(namesIn(store).empty());
    events->processPending();
    const size_t before = events->count();
    EXPECT_THROW(PictureSaver::saveOver(*picture, *image), Quorvel::FileNotFoundException);
    EXPECT_TRUE(namesIn(store).empty());
    auto& catalogue = Brenmarle::Database::getInstance();
    EXPECT_FALSE(catalogue.hasFile(picture->getURI()));
    EXPECT_EQ(catalogue.getKeywords().count("beach"), 0u);
    events->processPending();
    EXPECT_EQ(events->count(), before);

    // Deleted from the disk behind the program's back: the same.
    const wxString folder = home.path() + "Elsewhere/";
    TestPictures::writeJpeg(folder + "gone.jpg", 40, 30);
    Ref<File> outside = manager->getFile("file://" + folder + "gone.jpg");
    image = PictureSaver::loadForEditing(*outside);
    wxRemoveFile(folder + "gone.jpg");
    EXPECT_THROW(PictureSaver::saveOver(*outside, *image), Quorvel::FileNotFoundException);
    EXPECT_TRUE(namesIn(folder).empty());
}

TEST_F(PictureSaverTest, CopyNamesAreSafeAndCarryTheFormatsExtension)
{
    EXPECT_EQ(PictureSaver::copyName("picture.jpg", ImageData::FORMAT_PNG), "picture.png");
    EXPECT_EQ(PictureSaver::copyName("Beach.JPEG", ImageData::FORMAT_JPEG), "Beach.jpg");
    EXPECT_EQ(PictureSaver::copyName("notes.v2", ImageData::FORMAT_JPEG), "notes.v2.jpg");
    EXPECT_EQ(PictureSaver::copyName("../../etc/passwd", ImageData::FORMAT_PNG), "passwd.png");
    EXPECT_EQ(PictureSaver::copyName("..", ImageData::FORMAT_JPEG), "picture.jpg");
    EXPECT_EQ(PictureSaver::copyName("  ", ImageData::FORMAT_JPEG), "picture.jpg");
}

TEST_F(PictureSaverTest, CopiesNeverOverwriteAndGoIntoAlbumsThroughTheirOwnCopyPath)
{
    TestPictures::writePicture(home.path() + "Pictures/a.png", 30, 20, "PNG");
    Ref<File> picture = manager->getFile("file://" + home.path() + "Pictures/a.png");
    Ref<ImageData> image = PictureSaver::loadForEditing(*picture);
    wxFileName::Mkdir(home.path() + "Out", 0700, wxPATH_MKDIR_FULL);
    const wxString out = "file://" + home.path() + "Out/";
    PictureSaver::saveCopy(*image, out, "picture.jpg", ImageData::FORMAT_JPEG, 85);
    PictureSaver::saveCopy(*image, out, "picture.jpg", ImageData::FORMAT_JPEG, 85);
    Ref<File> png = PictureSaver::saveCopy(*image, out, "picture.jpg", ImageData::FORMAT_PNG, 85);
    EXPECT_EQ(namesIn(home.path() + "Out"),
              (std::vector<wxString>{"picture (2).jpg", "picture.jpg", "picture.png"}));
    EXPECT_EQ(png->getContentType(), "image/png");
    Magick::Image written;
    written.ping(std::string((home.path() + "Out/picture.png").utf8_str()));
    EXPECT_EQ(written.magick(), "PNG");

    auto album = makeAlbum("Holiday");
    events->processPending();
    const size_t before = events->count();
    Ref<File> copy =
        PictureSaver::saveCopy(*image, album->getURI(), "x", ImageData::FORMAT_JPEG, 90);
    EXPECT_TRUE(copy->getURI().StartsWith(album->getURI()));
    EXPECT_EQ(album->getFileCount(), 1);
    EXPECT_EQ(Brenmarle::Database::getInstance().loadFile(copy->getURI())->getImageWidth(), 30);
    EXPECT_TRUE(wxFileExists(album->getThumbnailPath(*copy)));
    events->processPending();
    ASSERT_GT(events->count(), before);
    EXPECT_EQ(events->typeAt(before), Brenmarle::FILE_ADDED);
    // Nothing is left among the temporary files.
    EXPECT_TRUE(
        namesIn(static_cast<Brenmarle::TempFolder&>(*manager->getFolder("temp://")).getDirectory())
            .empty());

    try {
        PictureSaver::saveCopy(*image, "temp://", "x.jpg", ImageData::FORMAT_JPEG, 85);
        FAIL() << "copied into the temporary files";
    } catch (const Quorvel::RuntimeException& e) {
        EXPECT_EQ(e.getMessage(), "Unknown scheme: temp://");
    }
}
