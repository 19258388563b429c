#include <memory>
#include <vector>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "LoaderTest.h"
#include "exif/EXIFProfile.h"
#include "imaging/ImageData.h"
#include "thumbnails/ImageLoader.h"
#include "thumbnails/ImageLoaderEvent.h"

using Brenmarle::File;
using Brenmarle::IMAGE_FAILED;
using Brenmarle::IMAGE_LOADED;
using Brenmarle::IMAGE_PREVIEW;
using Brenmarle::ImageData;
using Brenmarle::ImageLoader;
using Brenmarle::ImageLoaderEvent;
using Quorvel::Ref;

namespace {

// A picture view: records what the loader tells it.
struct View : EventRecorder {
    View()
    {
        record(IMAGE_LOADED);
        record(IMAGE_PREVIEW);
        record(IMAGE_FAILED);
    }
    const ImageLoaderEvent& at(std::size_t index) const
    {
        return EventRecorder::at<ImageLoaderEvent>(index);
    }
    const ImageLoaderEvent& last() const { return at(count() - 1); }
};

} // namespace

class ImageLoaderTest : public LoaderTest {
protected:
    ~ImageLoaderTest() override { gate.open(); }

    wxString copyPath(const Ref<File>& file, int width, int height)
    {
        return manager->getFolder(file->getURI())->getResizedPath(*file, width, height);
    }

    bool load(const Ref<File>& file, int width, int height, bool allowCache = true,
              bool preview = false)
    {
        return loader->load({file}, &view, preview, width, height, allowCache);
    }

    // Declared before the loader, so its thread is gone before the views.
    View view;
    std::unique_ptr<ImageLoader> loader = std::make_unique<ImageLoader>();
};

// --- Items ---------------------------------------------------------------------------------------

TEST_F(ImageLoaderTest, TheSameFileAndSizeReuseTheItemAnotherSizeMakesASecondOne)
{
    const Ref<File> photo = picture("photo.jpg", 1600, 1200);
    EXPECT_FALSE(load(photo, 320, 240));
    ASSERT_TRUE(view.waitForCount(1));
    ASSERT_EQ(view.typeAt(0), IMAGE_LOADED);
    const Ref<ImageData> small = view.at(0).getImage();
    EXPECT_EQ(small->getWidth(), 320);
    EXPECT_EQ(view.at(0).getFile(), photo);

    // Loaded already: handled before load() returns, the very same picture.
    EXPECT_TRUE(load(photo, 320, 240));
    ASSERT_EQ(view.count(), 2u);
    EXPECT_EQ(view.at(1).getImage(), small);
    EXPECT_EQ(loader->getItemCount(), 1u);

    EXPECT_FALSE(load(photo, 640, 480));
    EXPECT_EQ(loader->getItemCount(), 2u);
    ASSERT_TRUE(view.waitForCount(3));
    EXPECT_EQ(view.at(2).getImage()->getWidth(), 640);
    EXPECT_EQ(view.at(2).getWidth(), 640);
    EXPECT_TRUE(load(photo, 320, 240)) << "the first size's item is still there";

    // Another file: the photo's items are released.
    EXPECT_FALSE(load(picture("other.jpg", 200, 100), 320, 240));
    EXPECT_EQ(loader->getItemCount(), 1u);
    EXPECT_FALSE(load(photo, 320, 240));
}

TEST_F(ImageLoaderTest, ClientsKeepTheirOwnItems)
{
    const Ref<File> shown = picture("shown.jpg", 800, 600);
    const Ref<File> slide = picture("slide.jpg", 800, 600);
    const ImageLoader::ClientId show = loader->addClient();
    EXPECT_NE(show, ImageLoader::DEFAULT_CLIENT);
    EXPECT_NE(loader->addClient(), show);

    EXPECT_FALSE(load(shown, 320, 240)); // the picture window, without a client of its own
    View slides;
    loader->load(show, {slide}, &slides, false, 320, 240, true);
    ASSERT_TRUE(view.waitForCount(1));
    ASSERT_TRUE(slides.waitForCount(1));
    EXPECT_EQ(loader->getItemCount(), 2u);

    // Each one's next load replaces its own items only: the window's picture is still loaded.
    const Ref<File> nextSlide = picture("next.jpg", 800, 600);
    loader->load(show, {nextSlide}, &slides, false, 320, 240, true);
    EXPECT_EQ(loader->getItemCount(), 2u);
    EXPECT_TRUE(load(shown, 320, 240));
    ASSERT_TRUE(slides.waitForCount(2));
    EXPECT_EQ(slides.at(1).getFile(), nextSlide);

    loader->removeClient(show);
    EXPECT_EQ(loader->getItemCount(), 1u);
}

TEST_F(ImageLoaderTest, PreviewComesFirstThenThePictureAtFullSize)
{
    const Ref<File> photo = picture("photo.jpg", 2600, 1950);
    EXPECT_FALSE(load(photo, 0, 0, false, true));
    ASSERT_TRUE(view.waitForCount(2));
    EXPECT_EQ(view.types(), (std::vector<wxEventType>{IMAGE_PREVIEW, IMAGE_LOADED}));
    const Ref<ImageData> preview = view.at(0).getImage();
    EXPECT_GE(preview->getWidth(), ImageData::PREVIEW_WIDTH);
    EXPECT_LT(preview->getWidth(), 2600);
    EXPECT_EQ(view.at(1).getImage()->getWidth(), 2600);
    EXPECT_EQ(view.at(1).getImage()->getHeight(), 1950);
}

TEST_F(ImageLoaderTest, ARotationChangeLoadsTheItemAgainTurned)
{
    const Ref<File> photo = picture("photo.jpg", 400, 300);
    load(photo, 200, 200);
    ASSERT_TRUE(view.waitForCount(1));
    EXPECT_EQ(view.at(0).getImage()->getWidth(), 200);
    EXPECT_EQ(view.at(0).getRotation(), 0);

    photo->setImageRotation(90);
    ASSERT_TRUE(view.waitForCount(2));
    EXPECT_EQ(view.at(1).getRotation(), 90);
    // Not the resized copy of the unturned picture.
    EXPECT_EQ(view.at(1).getImage()->getWidth(), 150);
    EXPECT_EQ(view.at(1).getImage()->getHeight(), 200);

    // The copy on disk was replaced by the turned one.
    loader->clear();
    load(photo, 200, 200);
    ASSERT_TRUE(view.waitForCount(3));
    EXPECT_EQ(view.at(2).getImage()->getWidth(), 150);
}

TEST_F(ImageLoaderTest, APictureSavedOverIsLoadedAgainNotTakenFromItsOldCopy)
{
    const Ref<File> photo = picture("photo.jpg", 400, 300);
    load(photo, 200, 200);
    ASSERT_TRUE(view.waitForCount(1));
    EXPECT_EQ(view.at(0).getImage()->getHeight(), 150);

    // Saved over with a wider picture, as the picture window does: new bytes, and the record
    // takes the file's new size and time.
    TestPictures::writeJpeg(home / "Pictures/photo.jpg", 400, 100);
    photo->setFileSize(wxFileName(home / "Pictures/photo.jpg").GetSize().GetValue());
    photo->setFileModifyTime(photo->getFileModifyTime() + 1);
    ASSERT_TRUE(view.waitForCount(2));
    EXPECT_EQ(view.at(1).getImage()->getHeight(), 50);
    // Asked for again, the item holds the new picture.
    EXPECT_TRUE(load(photo, 200, 200));
    EXPECT_EQ(view.last().getImage()->getHeight(), 50);
}

TEST_F(ImageLoaderTest, ACopyMadeAtTheOldTurnIsNotKept)
{
    const Ref<File> photo = heldPicture("photo.jpg", 400, 300);
    gate.close();
    load(photo, 200, 200);
    ASSERT_TRUE(gate.waitForArrivals(1)); // about to decode at the old turn
    // The picture is turned, its copies dropped, and the viewer moves on before the load ends.
    photo->setImageRotation(90);
    ImageLoader::removeResizedCopies(*photo);
    load(heldPicture("next.jpg"), 200, 200);
    gate.open();
    loader->clear();
    EXPECT_FALSE(wxFileExists(copyPath(photo, 200, 200)));
}

// --- The resized copy on disk -----------------------------------------------------------------

TEST_F(ImageLoaderTest, TheResizedCopyIsReadOnTheNextLoadOfThatSize)
{
    const Ref<File> photo = picture("photo.jpg", 1600, 1200);
    load(photo, 320, 240);
    ASSERT_TRUE(view.waitForCount(1));
    loader->clear(); // returns once the copy is written
    const wxString copy = copyPath(photo, 320, 240);
    ASSERT_TRUE(wxFileExists(copy));
    EXPECT_TRUE(Brenmarle::EXIFProfile(copy).isEmpty());

    // Put a picture of its own there, to see which one the loader reads.
    TestPictures::writeJpeg(copy, 100, 50);
    load(photo, 320, 240);
    ASSERT_TRUE(view.waitForCount(2));
    EXPECT_EQ(view.at(1).getImage()->getWidth(), 100);

    // Without the cache allowed, the picture itself; and the copy is left alone.
    loader->clear();
    load(photo, 320, 240, false);
    ASSERT_TRUE(view.waitForCount(3));
    EXPECT_EQ(view.at(2).getImage()->getWidth(), 320);
    loader->clear();
    auto kept = Quorvel::makeRef<ImageData>();
    kept->load(copy);
    EXPECT_EQ(kept->getWidth(), 100);
}

TEST_F(ImageLoaderTest, ADamagedCopyIsMadeAgainFromThePicture)
{
    const Ref<File> photo = picture("photo.jpg", 1600, 1200);
    const wxString copy = copyPath(photo, 320, 240);
    writeFile(copy, "\xff\xd8\xff\xe0 not much of a picture");
    load(photo, 320, 240);
    ASSERT_TRUE(view.waitForCount(1));
    EXPECT_EQ(view.typeAt(0), IMAGE_LOADED);
    EXPECT_EQ(view.at(0).getImage()->getWidth(), 320);
    loader->clear();
    auto reread = Quorvel::makeRef<ImageData>();
    reread->load(copy);
    EXPECT_EQ(reread->getWidth(), 320);
}

// --- Handlers ---------------------------------------------------------------------------------

TEST_F(ImageLoaderTest, ARemovedHandlerGetsNothing)
{
    std::vector<Ref<File>> held;
    for (const char* name : {"1.jpg", "2.jpg", "3.jpg"})
        held.push_back(heldPicture(name, 1600, 1200));
    gate.close();
    loader->load(held, &view, true, 320, 240, true);
    ASSERT_TRUE(gate.waitForArrivals(1)); // the first is being loaded, the second waits
    loader->removeHandler(&view);
    gate.open();
    // One item at a time: once the third is begun, all the first two had to say is posted.
    ASSERT_TRUE(gate.waitForArrivals(3));
    view.processPending();
    EXPECT_EQ(view.count(), 0u);
}

// --- Failures ---------------------------------------------------------------------------------

TEST_F(ImageLoaderTest, HostileFilesFailAndTheLoaderKeepsWorking)
{
    const std::vector<Ref<File>> hostile = hostileFiles();
    for (int size : {0, 320}) {
        SCOPED_TRACE(size);
        const std::size_t before = view.count();
        loader->load(hostile, &view, true, size, size * 3 / 4, true);
        ASSERT_TRUE(view.waitForCount(before + hostile.size()));
        for (std::size_t i = 0; i < hostile.size(); ++i) {
            EXPECT_EQ(view.typeAt(before + i), IMAGE_FAILED) << i;
            EXPECT_EQ(view.at(before + i).getFile(), hostile[i]);
            EXPECT_FALSE(view.at(before + i).getErrorMessage().empty());
        }
        EXPECT_FALSE(load(hostile[0], size, size * 3 / 4)) << "a failed item is not loaded";
    }

    const Ref<File> photo = picture("photo.jpg", 400, 300);
    load(photo, 0, 0);
    ASSERT_TRUE(view.waitForCount(2 * hostile.size() + 1));
    EXPECT_EQ(view.last().GetEventType(), IMAGE_LOADED);
    EXPECT_EQ(view.last().getImage()->getWidth(), 400);
}
