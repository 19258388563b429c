#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "HeldFolder.h"
#include "LoadGate.h"
#include "PhotoLibraryTest.h"
#include "TestPictures.h"
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

class ThumbnailManagerTest : public PhotoLibraryTest {
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
        wxFileName::Mkdir(home / "held", 0755, wxPATH_MKDIR_FULL);
        wxFileName::Mkdir(home / "Pictures", 0755, wxPATH_MKDIR_FULL);
        manager->registerFolderFactory("held", [this](const wxString&) {
            return Quorvel::makeRef<HeldFolder>(home / "held/", gate);
        });
        thumbnails = std::make_unique<ThumbnailManager>();
    }

    ~ThumbnailManagerTest() override
    {
        gate.open();
        thumbnails.reset();
    }

    // A picture on the user's disk, seen through a computer folder.
    Ref<File> picture(const wxString& name, int width = 320, int height = 240)
    {
        TestPictures::writeJpeg(home / "Pictures/" + name, width, height);
        return manager->getFile("file://" + home.path() + "Pictures/" + name);
    }
    // A picture whose load passes the gate.
    Ref<File> heldPicture(const wxString& name)
    {
        TestPictures::writeJpeg(home / "held/" + name, 320, 240);
        return manager->getFile("held://" + name);
    }
    Ref<File> otherFile(const wxString& name, const std::string& bytes = "bytes")
    {
        home.writeFile("Pictures/" + name, bytes);
        return manager->getFile("file://" + home.path() + "Pictures/" + name);
    }

    Ref<ImageData> ask(const Ref<File>& file, wxEvtHandler* handler, int value = 0)
    {
        return thumbnails->getThumbnail(file, handler, value, value + 1, value + 2, value + 3,
                                        value % 2 == 1);
    }
    Ref<ImageData> placeholder(ThumbnailPlaceholders::Kind kind)
    {
        return thumbnails->getPlaceholder(kind);
    }

    LoadGate gate;
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
    std::vector<ImageData*> seen;
    for (const auto& [file, kind] : cases) {
        const Ref<ImageData> image = ask(file, &view);
        EXPECT_EQ(image, placeholder(kind)) << file->getURI();
        EXPECT_GT(image->getWidth(), 0);
        seen.push_back(image.get());
    }
    std::sort(seen.begin(), seen.end());
    EXPECT_EQ(std::unique(seen.begin(), seen.end()), seen.end()) << "each kind its own picture";

    // One queue, first come first served: had any of them been queued, its event would come
    // before the picture's.
    const Ref<File> photo = picture("photo.jpg");
    ask(photo, &view);
    ASSERT_TRUE(view.waitForCount(1));
    EXPECT_EQ(view.at(0).getFile(), photo);
    view.processPending();
    EXPECT_EQ(view.count(), 1u);
}

TEST_F(ThumbnailManagerTest, APictureAskedForTwiceBeforeItLoadsGetsLoadingTwiceThenTheCache)
{
    gate.close();
    const Ref<File> photo = heldPicture("photo.jpg");
    EXPECT_EQ(ask(photo, &view, 10), placeholder(ThumbnailPlaceholders::LOADING));
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
}

TEST_F(ThumbnailManagerTest, RepeatedIdenticalRequestsWhileWaitingAreLoadedOnce)
{
    gate.close();
    const Ref<File> photo = heldPicture("photo.jpg");
    for (int paint = 0; paint < 3; ++paint)
        ask(photo, &view, 5);
    gate.open();
    ASSERT_TRUE(view.waitForCount(1));
    // Another picture after them: its event comes once every earlier request is answered.
    ask(picture("other.jpg"), &view, 6);
    ASSERT_TRUE(view.waitForCount(2));
    view.processPending();
    EXPECT_EQ(view.count(), 2u);
    EXPECT_EQ(view.at(1).getValues().value1, 6);
}

TEST_F(ThumbnailManagerTest, ListenersHearOfEveryLoadedThumbnail)
{
    thumbnails->addListener(&other, 7);
    const Ref<File> photo = picture("photo.jpg");
    ask(photo, &view);
    ASSERT_TRUE(other.waitForCount(1));
    EXPECT_EQ(other.at(0).GetId(), 7);
    EXPECT_EQ(other.at(0).getFile(), photo);
    thumbnails->removeListener(&other);
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
}

TEST_F(ThumbnailManagerTest, AHandlerThatCancelledMayAskAgain)
{
    const Ref<File> photo = picture("photo.jpg");
    thumbnails->cancel(&view);
    ask(photo, &view);
    ASSERT_TRUE(view.waitForCount(1));
    EXPECT_EQ(view.at(0).getFile(), photo);
}

// --- Failures ---------------------------------------------------------------------------------

TEST_F(ThumbnailManagerTest, HostileFilesEndAsFailuresAndTheLoaderKeepsWorking)
{
    TestPictures::writeJpeg(home / "Pictures/whole.jpg", 640, 480);
    const std::string whole = TestPictures::readFile(home / "Pictures/whole.jpg");
    TestPictures::writePngBomb(home / "Pictures/bomb.png");
    const std::vector<Ref<File>> hostile = {
        otherFile("truncated.jpg", whole.substr(0, whole.size() / 2)),
        otherFile("empty.jpg", ""),
        otherFile("letter.jpg", "Dear user,\nthis is no picture.\n"),
        manager->getFile("file://" + home.path() + "Pictures/bomb.png"),
    };
    for (std::size_t i = 0; i < hostile.size(); ++i)
        ask(hostile[i], &view, int(i));
    ASSERT_TRUE(view.waitForCount(hostile.size()));
    for (std::size_t i = 0; i < hostile.size(); ++i) {
        EXPECT_TRUE(view.at(i).isFailure()) << hostile[i]->getURI();
        EXPECT_EQ(view.at(i).getImage(), placeholder(ThumbnailPlaceholders::FAILURE));
        // Kept as a failure: a view repainting does not load it again and again.
        EXPECT_EQ(ask(hostile[i], &view), placeholder(ThumbnailPlaceholders::FAILURE));
    }

    const Ref<File> photo = picture("photo.jpg");
    ask(photo, &view, 9);
    ASSERT_TRUE(view.waitForCount(hostile.size() + 1));
    EXPECT_FALSE(view.at(hostile.size()).isFailure());
    EXPECT_EQ(view.at(hostile.size()).getImage()->getWidth(), 160);
}

TEST_F(ThumbnailManagerTest, APictureWithBrokenExifStillGetsItsThumbnail)
{
    // Orientation stored as four billion shorts and an IFD far outside the block: the EXIF is
    // garbage, the pixels are fine.
    TestPictures::ExifBuilder exif;
    exif.raw(TestPictures::ExifBuilder::IFD0, 0x0112, TestPictures::ExifBuilder::SHORT, 0xffffffffu,
             {6, 0, 0, 0});
    TestPictures::writeJpeg(home / "Pictures/exif.jpg", 320, 240, {exif.build(), {}, 90});
    TestPictures::writeJpeg(
        home / "Pictures/far.jpg", 320, 240,
        {{'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xf0, 0xff, 0xff, 0xff}, {}, 90});
    ask(manager->getFile("file://" + home.path() + "Pictures/exif.jpg"), &view);
    ask(manager->getFile("file://" + home.path() + "Pictures/far.jpg"), &view);
    ASSERT_TRUE(view.waitForCount(2));
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_FALSE(view.at(i).isFailure());
        EXPECT_EQ(view.at(i).getImage()->getWidth(), 160);
    }
}

TEST_F(ThumbnailManagerTest, AMissingPlaceholderIsABrokenInstallation)
{
    const wxString skin = Quorvel::Environment::getSkinDir() + "/";
    const Ref<File> song = otherFile("song.mp3");
    const Ref<ImageData> audio = ask(song, &view);
    // Loaded once and kept: the file is not read again.
    wxRemoveFile(skin + "thumb_audio.png");
    EXPECT_EQ(ask(song, &view), audio);

    wxRemoveFile(skin + "thumb_video.png");
    try {
        ask(otherFile("movie.avi"), &view);
        FAIL() << "a missing placeholder must not go unnoticed";
    } catch (const Quorvel::FileNotFoundException& e) {
        EXPECT_TRUE(e.getMessage().Contains("thumb_video.png")) << e.getMessage();
        EXPECT_TRUE(e.getMessage().Contains("installation is broken")) << e.getMessage();
    }
}

// --- The cache and the thumbnail files
// ------------------------------------------------------------

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

TEST_F(ThumbnailManagerTest, TheCacheKeepsTheMostRecentlyUsedThumbnails)
{
    thumbnails.reset();
    thumbnails = std::make_unique<ThumbnailManager>(1, 2);
    const Ref<File> a = picture("a.jpg");
    const Ref<File> b = picture("b.jpg");
    const Ref<File> c = picture("c.jpg");
    ask(a, &view);
    ask(b, &view);
    ASSERT_TRUE(view.waitForCount(2));
    ask(a, &view); // a is now used more recently than b
    ask(c, &view);
    ASSERT_TRUE(view.waitForCount(3));

    const Ref<ImageData> loading = placeholder(ThumbnailPlaceholders::LOADING);
    EXPECT_NE(ask(a, nullptr), loading);
    EXPECT_NE(ask(c, nullptr), loading);
    EXPECT_EQ(ask(b, nullptr), loading);
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

TEST_F(ThumbnailManagerTest, OneOrTwoLoaderThreadsGiveTheSameThumbnails)
{
    struct Shape {
        int width, height, rotation;
    };
    const Shape shapes[] = {{1200, 900, 0},   {900, 1200, 0},  {640, 480, 90}, {100, 60, 0},
                            {2000, 500, 270}, {480, 640, 180}, {161, 161, 0},  {3, 700, 90}};
    std::vector<Ref<File>> files;
    for (const Shape& shape : shapes) {
        files.push_back(
            picture(wxString::Format("%dx%d-%d.jpg", shape.width, shape.height, shape.rotation),
                    shape.width, shape.height));
        files.back()->setImageRotation(shape.rotation);
    }

    struct Result {
        int width = 0;
        int height = 0;
        std::vector<unsigned char> pixels;
    };
    std::map<std::size_t, std::map<int, Result>> results;
    for (std::size_t threads : {1u, 2u}) {
        thumbnails.reset();
        thumbnails = std::make_unique<ThumbnailManager>(threads);
        View& thisRun = threads == 1 ? view : other;
        for (std::size_t i = 0; i < files.size(); ++i) {
            // Made afresh by this run's threads, not read from the last run's files.
            thumbnails->removeThumbnail(*files[i]);
            ask(files[i], &thisRun, int(i));
        }
        ASSERT_TRUE(thisRun.waitForCount(files.size()));
        for (std::size_t i = 0; i < files.size(); ++i) {
            const ThumbnailUpdateEvent& event = thisRun.at(i);
            const int index = event.getValues().value1;
            ASSERT_EQ(event.getFile(), files.at(std::size_t(index)));
            ASSERT_FALSE(event.isFailure());
            Result& result = results[threads][index];
            ASSERT_TRUE(result.pixels.empty()) << "one answer per request";
            result.width = event.getImage()->getWidth();
            result.height = event.getImage()->getHeight();
            result.pixels = event.getImage()->getDrawable()->rgb;
        }
    }
    ASSERT_EQ(results[1].size(), files.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
        const Result& one = results[1][int(i)];
        const Result& two = results[2][int(i)];
        EXPECT_EQ(one.width, two.width) << i;
        EXPECT_EQ(one.height, two.height) << i;
        EXPECT_TRUE(one.pixels == two.pixels) << i;
        const bool sideways = shapes[i].rotation % 180 != 0;
        EXPECT_EQ(std::max(one.width, one.height),
                  std::min(160, std::max(shapes[i].width, shapes[i].height)))
            << i;
        EXPECT_EQ(one.width > one.height, sideways ? shapes[i].height > shapes[i].width
                                                   : shapes[i].width > shapes[i].height)
            << i;
    }
}

// --- Not implemented
// ------------------------------------------------------------------------------

TEST_F(ThumbnailManagerTest, GroupOperationsAreNotImplemented)
{
    for (const auto& call :
         {std::function<void()>([&] { thumbnails->cancelGroup(3); }),
          std::function<void()>([&] { thumbnails->getGroupThumbnail(3, &view); })}) {
        try {
            call();
            FAIL();
        } catch (const Quorvel::UnsupportedException& e) {
            EXPECT_EQ(e.getMessage(), "Method is not implemented");
        }
    }
    try {
        thumbnails->cancelGroup(0);
        FAIL();
    } catch (const Quorvel::LogicException& e) {
        EXPECT_TRUE(e.getMessage().Contains("groupId > 0")) << e.getMessage();
    }
}
