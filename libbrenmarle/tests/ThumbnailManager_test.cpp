#include <memory>
#include <set>
#include <vector>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "LoaderTest.h"
#include "imaging/ImageData.h"
#include "system/Exceptions.h"
#include "thumbnails/ThumbnailManager.h"

using Brenmarle::File;
using Brenmarle::ImageData;
using Brenmarle::ThumbnailManager;
using Brenmarle::ThumbnailPlaceholders;
using Brenmarle::ThumbnailUpdateEvent;
using Quorvel::Ref;

namespace {

// A view: records the thumbnails posted to it.
struct View : EventRecorder {
    View() { record(Brenmarle::THUMBNAIL_UPDATE); }
    const ThumbnailUpdateEvent& at(std::size_t index) const
    {
        return EventRecorder::at<ThumbnailUpdateEvent>(index);
    }
};

} // namespace

class ThumbnailManagerTest : public LoaderTest {
protected:
    ThumbnailManagerTest()
    {
        // The placeholders come from the program's skin directory.
        const wxString skin = Quorvel::Environment::getSkinDir() + "/";
        wxFileName::Mkdir(skin, 0755, wxPATH_MKDIR_FULL);
        for (int kind = 0; kind < ThumbnailPlaceholders::KIND_COUNT; ++kind) {
            const wxString name =
                ThumbnailPlaceholders::fileName(ThumbnailPlaceholders::Kind(kind));
            wxCopyFile(wxString(VISTRELLE_SKIN_SOURCE_DIR "/") + name, skin + name);
        }
        thumbnails = std::make_unique<ThumbnailManager>();
    }
    ~ThumbnailManagerTest() override { gate.open(); }

    Ref<ImageData> ask(const Ref<File>& file, wxEvtHandler* handler, int value = 0)
    {
        return thumbnails->getThumbnail(file, handler, value, value + 1, value + 2, value + 3,
                                        value % 2 == 1);
    }
    Ref<ImageData> placeholder(ThumbnailPlaceholders::Kind kind)
    {
        return thumbnails->getPlaceholder(kind);
    }

    // A new manager with these bounds, and the pictures a and b loaded through it.
    void restartWithTwoLoaded(std::size_t count, std::size_t bytes)
    {
        thumbnails.reset();
        thumbnails = std::make_unique<ThumbnailManager>(
            1, count, ThumbnailManager::DEFAULT_FAILURE_RETRY, bytes);
        a = picture("a.jpg");
        b = picture("b.jpg");
        ask(a, &view);
        ask(b, &view);
        ASSERT_TRUE(view.waitForCount(2));
    }

    Ref<File> a;
    Ref<File> b;
    // Declared before the manager, so its threads are gone before the views.
    View view;
    View other;
    std::unique_ptr<ThumbnailManager> thumbnails;
};

// --- What a view gets at once ----------------------------------------------------------------

TEST_F(ThumbnailManagerTest, FilesThatAreNoPicturesGetTheirPlaceholderAndQueueNothing)
{
    const std::pair<Ref<File>, ThumbnailPlaceholders::Kind> cases[] = {
        {otherFile("movie.avi"), ThumbnailPlaceholders::VIDEO},
        {otherFile("song.mp3"), ThumbnailPlaceholders::AUDIO},
        {otherFile("secret.gpg"), ThumbnailPlaceholders::ENCRYPTED},
        {otherFile("notes.txt"), ThumbnailPlaceholders::FILE},
    };
    std::set<ImageData*> seen;
    for (const auto& [file, kind] : cases) {
        const Ref<ImageData> image = ask(file, &view);
        EXPECT_EQ(image, placeholder(kind)) << file->getURI();
        EXPECT_GT(image->getWidth(), 0);
        seen.insert(image.get());
    }
    EXPECT_EQ(seen.size(), std::size(cases)) << "each kind its own picture";

    // One queue, first come first served: had any of them been queued, its event would come
    // before the picture's. Listeners hear of the picture too, with their own id.
    thumbnails->addListener(&other, 7);
    const Ref<File> photo = picture("photo.jpg");
    ask(photo, &view);
    ASSERT_TRUE(view.waitForCount(1));
    EXPECT_EQ(view.at(0).getFile(), photo);
    ASSERT_TRUE(other.waitForCount(1));
    EXPECT_EQ(other.at(0).GetId(), 7);
    EXPECT_EQ(other.at(0).getFile(), photo);
    thumbnails->removeListener(&other);
    view.processPending();
    EXPECT_EQ(view.count(), 1u);
}

TEST_F(ThumbnailManagerTest, APictureAskedForTwiceBeforeItLoadsGetsLoadingTwiceThenTheCache)
{
    gate.close();
    const Ref<File> photo = heldPicture("photo.jpg");
    EXPECT_EQ(ask(photo, &view, 10), placeholder(ThumbnailPlaceholders::LOADING));
    // A repaint asking again with the same values is answered once.
    ask(photo, &view, 10);
    EXPECT_EQ(ask(photo, &view, 20), placeholder(ThumbnailPlaceholders::LOADING));
    gate.open();

    ASSERT_TRUE(view.waitForCount(2));
    // Each view item gets its own answer, its values unchanged.
    EXPECT_EQ(view.at(0).getValues(), (ThumbnailUpdateEvent::Values{10, 11, 12, 13, false}));
    EXPECT_EQ(view.at(1).getValues(), (ThumbnailUpdateEvent::Values{20, 21, 22, 23, false}));
    EXPECT_FALSE(view.at(1).isFailure());
    const Ref<ImageData> cached = ask(photo, &view, 30);
    EXPECT_EQ(cached, view.at(1).getImage());
    EXPECT_EQ(cached->getWidth(), 160);
    EXPECT_EQ(cached->getHeight(), 120);
    view.processPending();
    EXPECT_EQ(view.count(), 2u);
}

// --- Cancelling ---------------------------------------------------------------------------------

TEST_F(ThumbnailManagerTest, CancelDropsTheQueuedRequestsAndTheLoadInProgressEndsSilently)
{
    gate.close();
    const Ref<File> first = heldPicture("1.jpg");
    ask(first, &view, 1);
    ask(heldPicture("2.jpg"), &view, 2);
    ask(heldPicture("3.jpg"), &view, 3);
    ask(heldPicture("4.jpg"), &other, 4);
    ASSERT_TRUE(gate.waitForArrivals(1)); // the first is being loaded

    thumbnails->cancel(&view);
    gate.open();
    ASSERT_TRUE(other.waitForCount(1)); // after the first ended, being one thread, first come
    view.processPending();
    EXPECT_EQ(view.count(), 0u);
    EXPECT_EQ(gate.arrivals(), 2u) << "only the load in progress and the other view's ran";
    // The load that ended unasked still fills the cache: the view may scroll back.
    EXPECT_NE(ask(first, nullptr), placeholder(ThumbnailPlaceholders::LOADING));

    // A handler that cancelled may ask again.
    ask(heldPicture("5.jpg"), &view, 5);
    ASSERT_TRUE(view.waitForCount(1));
    EXPECT_EQ(view.at(0).getValues().value1, 5);
}

// --- Failures ---------------------------------------------------------------------------------

TEST_F(ThumbnailManagerTest, HostileFilesEndAsFailuresAndTheLoaderKeepsWorking)
{
    const std::vector<Ref<File>> hostile = hostileFiles();
    for (std::size_t i = 0; i < hostile.size(); ++i)
        ask(hostile[i], &view, int(i));
    ASSERT_TRUE(view.waitForCount(hostile.size()));
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_TRUE(view.at(i).isFailure()) << hostile[i]->getURI();
        EXPECT_EQ(view.at(i).getImage(), placeholder(ThumbnailPlaceholders::FAILURE));
        // Kept as a failure: a view repainting does not load it again and again.
        EXPECT_EQ(ask(hostile[i], &view), placeholder(ThumbnailPlaceholders::FAILURE));
    }

    // Next, a picture whose EXIF is garbage (an orientation of four billion shorts) but whose
    // pixels are fine.
    using TestPictures::ExifBuilder;
    const auto exif = ExifBuilder()
                          .raw(ExifBuilder::IFD0, 0x0112, ExifBuilder::SHORT, 0xffffffffu,
                               {6, 0, 0, 0})
                          .build();
    TestPictures::writeJpeg(home / "Pictures/exif.jpg", 320, 240, {exif, {}, 90});
    ask(manager->getFile("file://" + home.path() + "Pictures/exif.jpg"), &view, 9);
    ASSERT_TRUE(view.waitForCount(hostile.size() + 1));
    EXPECT_FALSE(view.at(hostile.size()).isFailure());
    EXPECT_EQ(view.at(hostile.size()).getImage()->getWidth(), 160);
}

TEST_F(ThumbnailManagerTest, AFileThatChangedIsLoadedAgainAFailureToo)
{
    // A picture still being copied: nothing of it yet.
    const Ref<File> late = otherFile("late.jpg", "");
    ask(late, &view);
    ASSERT_TRUE(view.waitForCount(1));
    ASSERT_TRUE(view.at(0).isFailure());
    EXPECT_EQ(ask(late, &view), placeholder(ThumbnailPlaceholders::FAILURE));

    // Once written, the file is read again (its size and time change).
    TestPictures::writeJpeg(home / "Pictures/late.jpg", 320, 240);
    late->setFileSize(int32_t(home.readFile("Pictures/late.jpg").size()));
    EXPECT_EQ(ask(late, &view), placeholder(ThumbnailPlaceholders::LOADING));
    ASSERT_TRUE(view.waitForCount(2));
    EXPECT_FALSE(view.at(1).isFailure());
    EXPECT_EQ(ask(late, &view)->getWidth(), 160);

    // The same for a thumbnail that loaded: a new picture under the name.
    TestPictures::writeJpeg(home / "Pictures/late.jpg", 240, 320);
    late->setFileModifyTime(late->getFileModifyTime() + 1);
    EXPECT_EQ(ask(late, &view), placeholder(ThumbnailPlaceholders::LOADING));
    ASSERT_TRUE(view.waitForCount(3));
    EXPECT_EQ(ask(late, &view)->getWidth(), 120);
}

TEST_F(ThumbnailManagerTest, AFailureIsTriedAgainAfterAWhile)
{
    thumbnails.reset();
    thumbnails = std::make_unique<ThumbnailManager>(1, ThumbnailManager::DEFAULT_CACHE_SIZE,
                                                    std::chrono::milliseconds(0));
    const Ref<File> late = otherFile("late.jpg", "");
    ask(late, &view);
    ASSERT_TRUE(view.waitForCount(1));
    ASSERT_TRUE(view.at(0).isFailure());
    // Written meanwhile by a program that kept its size and time, or a passing read error.
    TestPictures::writeJpeg(home / "Pictures/late.jpg", 320, 240);
    EXPECT_EQ(ask(late, &view), placeholder(ThumbnailPlaceholders::FAILURE)) << "until it loads";
    ASSERT_TRUE(view.waitForCount(2));
    EXPECT_FALSE(view.at(1).isFailure());
    EXPECT_EQ(view.at(1).getImage()->getWidth(), 160);
}

TEST_F(ThumbnailManagerTest, APlaceholderIsReadOnceAndAMissingOneIsABrokenInstallation)
{
    const wxString skin = Quorvel::Environment::getSkinDir() + "/";
    const Ref<File> song = otherFile("song.mp3");
    const Ref<ImageData> audio = ask(song, &view);
    wxRemoveFile(skin + "thumb_audio.png");
    EXPECT_EQ(ask(song, &view), audio);

    wxRemoveFile(skin + "thumb_video.png");
    EXPECT_THROW(ask(otherFile("movie.avi"), &view), Quorvel::FileNotFoundException);
}

// --- The cache and the thumbnail files -------------------------------------------------------

TEST_F(ThumbnailManagerTest, RemovingAThumbnailDeletesItsFileAndTheCachedPicture)
{
    const Ref<File> photo = picture("photo.jpg");
    ask(photo, &view);
    ASSERT_TRUE(view.waitForCount(1));
    const wxString path = manager->getFolder(photo->getURI())->getThumbnailPath(*photo);
    ASSERT_TRUE(wxFileExists(path));
    ASSERT_EQ(ask(photo, &view), view.at(0).getImage());

    thumbnails->removeThumbnail(*photo);
    EXPECT_FALSE(wxFileExists(path));
    EXPECT_EQ(ask(photo, &view), placeholder(ThumbnailPlaceholders::LOADING));
    ASSERT_TRUE(view.waitForCount(2));
    EXPECT_TRUE(wxFileExists(path)) << "made again on demand";
}

TEST_F(ThumbnailManagerTest, ARotationChangeDropsEveryResizedCopyAndRemakesTheThumbnail)
{
    thumbnails->addListener(&other, 3);
    const Ref<File> photo = picture("photo.jpg", 400, 300);
    const Ref<File> neighbour = picture("neighbour.jpg", 400, 300);
    ask(photo, &view);
    ASSERT_TRUE(other.waitForCount(1));
    // Copies as the viewer, the full-screen view and the slide show left them.
    const auto copyOf = [this](const Ref<File>& file, int width, int height) {
        const wxString path =
            manager->getFolder(file->getURI())->getResizedPath(*file, width, height);
        TestPictures::writeJpeg(path, width / 2, height / 2);
        return path;
    };
    const wxString copies[] = {copyOf(photo, 320, 240), copyOf(photo, 1920, 1080),
                               copyOf(photo, 1024, 768)};
    const wxString kept = copyOf(neighbour, 1920, 1080);

    photo->setImageRotation(90);
    thumbnails->imageRotationChanged(photo);
    for (const wxString& copy : copies)
        EXPECT_FALSE(wxFileExists(copy)) << copy;
    EXPECT_TRUE(wxFileExists(kept));
    ASSERT_TRUE(other.waitForCount(2));
    EXPECT_EQ(other.at(1).getFile(), photo);
    EXPECT_EQ(other.at(1).getImage()->getWidth(), 120);
    EXPECT_EQ(ask(photo, &view), other.at(1).getImage());
    thumbnails->removeListener(&other);
}

TEST_F(ThumbnailManagerTest, TheCacheKeepsTheMostRecentlyUsedThumbnails)
{
    restartWithTwoLoaded(2, ThumbnailManager::DEFAULT_CACHE_BYTES);
    const Ref<File> c = picture("c.jpg");
    ask(a, &view); // a is now used more recently than b
    ask(c, &view);
    ASSERT_TRUE(view.waitForCount(3));

    const Ref<ImageData> loading = placeholder(ThumbnailPlaceholders::LOADING);
    EXPECT_NE(ask(a, nullptr), loading);
    EXPECT_NE(ask(c, nullptr), loading);
    EXPECT_EQ(ask(b, nullptr), loading);
}

TEST_F(ThumbnailManagerTest, TheCacheKeepsNoMoreBytesThanItsBoundButAlwaysTheLatest)
{
    // Drawn 160 x 120 thumbnails of three bytes a pixel: room for two, not three.
    const std::size_t each = 160 * 120 * 3;
    restartWithTwoLoaded(ThumbnailManager::DEFAULT_CACHE_SIZE, each * 5 / 2);
    const Ref<ImageData> loading = placeholder(ThumbnailPlaceholders::LOADING);
    const Ref<File> c = picture("c.jpg");
    EXPECT_EQ(view.at(0).getImage()->memoryBytes(), each) << "only the drawn copy is kept";
    EXPECT_EQ(thumbnails->getCachedBytes(), 2 * each);
    ask(c, &view);
    ASSERT_TRUE(view.waitForCount(3));
    EXPECT_EQ(thumbnails->getCachedBytes(), 2 * each);
    EXPECT_EQ(ask(a, nullptr), loading);
    EXPECT_NE(ask(b, nullptr), loading);
    EXPECT_NE(ask(c, nullptr), loading);

    // A bound smaller than one thumbnail still keeps the one just loaded.
    thumbnails.reset();
    thumbnails = std::make_unique<ThumbnailManager>(
        1, ThumbnailManager::DEFAULT_CACHE_SIZE, ThumbnailManager::DEFAULT_FAILURE_RETRY, each / 2);
    const Ref<ImageData> nowLoading = placeholder(ThumbnailPlaceholders::LOADING);
    ask(a, &view);
    ASSERT_TRUE(view.waitForCount(4));
    EXPECT_EQ(thumbnails->getCachedBytes(), each);
    EXPECT_NE(ask(a, nullptr), nowLoading);
    ask(b, &view);
    ASSERT_TRUE(view.waitForCount(5));
    EXPECT_EQ(thumbnails->getCachedBytes(), each);
    EXPECT_EQ(ask(a, nullptr), nowLoading);
    EXPECT_NE(ask(b, nullptr), nowLoading);
    thumbnails->clear();
    EXPECT_EQ(thumbnails->getCachedBytes(), 0u);
}

// --- Several loader threads -------------------------------------------------------------------

TEST_F(ThumbnailManagerTest, TwoLoaderThreadsLoadTwoPicturesAtOnce)
{
    thumbnails.reset();
    thumbnails = std::make_unique<ThumbnailManager>(2);
    gate.close();
    for (int i = 0; i < 3; ++i)
        ask(heldPicture(wxString::Format("%d.jpg", i)), &view, i);
    EXPECT_TRUE(gate.waitForArrivals(2));
    gate.open();
    ASSERT_TRUE(view.waitForCount(3));
}

TEST_F(ThumbnailManagerTest, TwoLoaderThreadsAnswerEachRequestWithItsOwnTurnedThumbnail)
{
    thumbnails.reset();
    thumbnails = std::make_unique<ThumbnailManager>(2);
    struct Shape {
        int width, height, rotation;
    };
    const Shape shapes[] = {{1200, 900, 0},   {900, 1200, 90}, {640, 480, 90}, {100, 60, 0},
                            {2000, 500, 270}, {480, 640, 180}, {161, 161, 0},  {3, 700, 90}};
    std::vector<Ref<File>> files;
    for (const Shape& shape : shapes) {
        files.push_back(picture(wxString::Format("%zu.jpg", files.size()), shape.width,
                                shape.height));
        files.back()->setImageRotation(shape.rotation);
        ask(files.back(), &view, int(files.size() - 1));
    }
    ASSERT_TRUE(view.waitForCount(files.size()));
    std::set<int> answered;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const ThumbnailUpdateEvent& event = view.at(i);
        const int index = event.getValues().value1;
        ASSERT_EQ(event.getFile(), files.at(std::size_t(index)));
        ASSERT_FALSE(event.isFailure());
        EXPECT_TRUE(answered.insert(index).second) << "one answer per request";
        const Shape& shape = shapes[index];
        const int width = event.getImage()->getWidth();
        const int height = event.getImage()->getHeight();
        const bool sideways = shape.rotation % 180 != 0;
        EXPECT_EQ(std::max(width, height), std::min(160, std::max(shape.width, shape.height)))
            << index;
        EXPECT_EQ(width > height,
                  sideways ? shape.height > shape.width : shape.width > shape.height)
            << index;
    }
}
