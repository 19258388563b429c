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

} // namespace

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
