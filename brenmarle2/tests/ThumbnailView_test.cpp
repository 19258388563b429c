#include <wx/app.h>
#include <wx/frame.h>

#include "PhotoLibraryTest.h"
#include "WaitUntil.h"
#include "filemanager/FileEvent.h"
#include "folders/FolderListReader.h"
#include "ui/Accessibility.h"
#include "util/Uuid.h"
#include "widgets/ThumbnailScroller.h"
#include "widgets/ThumbnailView.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

class ThumbnailViewTest : public PhotoLibraryTest {
protected:
    ThumbnailViewTest()
    {
        frame = new wxFrame(nullptr, wxID_ANY, "View", wxDefaultPosition, wxSize(600, 500));
        view = new ThumbnailView(frame);
        frame->Show();
    }
    ~ThumbnailViewTest() override
    {
        if (frame)
            frame->Destroy();
        waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }

    Ref<AlbumFolder> albumWithPictures(int count)
    {
        Ref<AlbumFolder> album = makeAlbum("Garden");
        for (const auto& picture : computerPictures(count))
            album->copyFileIn(*picture);
        return album;
    }

    // Rows of `count` pictures of a new album, in the catalogue only (no picture files).
    std::vector<int64_t> catalogueRows(int count, const wxString& captionFormat = "Picture %03d")
    {
        Ref<AlbumFolder> album = makeAlbum("Garden");
        for (int i = 0; i < count; ++i) {
            auto file = Quorvel::makeRef<File>(album->getURI() + Quorvel::Uuid::create());
            file->setCaption(wxString::Format(captionFormat, i));
            Database::getInstance().addFile(*file);
        }
        return Database::getInstance().getRowIds("SELECT rowid FROM file ORDER BY rowid");
    }

    wxFrame* frame;
    ThumbnailView* view;
};

} // namespace

TEST_F(ThumbnailViewTest, KeysScrollTheFocusIntoViewAndSelectionIsTold)
{
    view->setFolder(albumWithPictures(40));
    ASSERT_TRUE(waitUntil([this] { return view->GetClientSize().y > 0; }));
    int told = -1;
    frame->Bind(THUMBNAIL_SELECTION, [&told](wxCommandEvent& event) { told = event.GetInt(); });

    view->pressKey(WXK_END, false, false);
    EXPECT_EQ(view->getGrid().getFocus(), 39);
    EXPECT_GT(view->GetVisibleRowsBegin(), 0u);
    EXPECT_EQ(told, 1);
    view->pressKey(WXK_HOME, true, false);
    EXPECT_EQ(view->GetVisibleRowsBegin(), 0u);
    EXPECT_EQ(told, 40);
}

TEST_F(ThumbnailViewTest, PicturesAddedToOrRemovedFromTheFolderAppearAndGo)
{
    Ref<AlbumFolder> album = albumWithPictures(3);
    view->setFolder(album);
    view->clickItem(2, false, false);
    Ref<File> added = album->copyFileIn(*computerPictures(4).back());
    album->deleteFile(*manager->getFile(album->getFileUris().front()));

    ASSERT_TRUE(waitUntil([this] {
        return view->getFiles().size() == 3u &&
               view->getFiles().back()->getFileName() == "IMG_0004.JPG";
    }));
    // The selected picture is still selected, one place further up.
    EXPECT_EQ(view->getGrid().getSelection(), std::vector<std::size_t>{1});
    view->setFavoritesOnly(true);
    EXPECT_TRUE(view->getFiles().empty());
}

TEST_F(ThumbnailViewTest, ARubberBandDraggedBelowTheViewScrollsAndTakesInTheRowsScrolledIn)
{
    view->setFolder(albumWithPictures(40));
    ASSERT_TRUE(waitUntil([this] { return view->GetClientSize().y > 0; }));
    const int height = view->GetClientSize().y;
    const int columns = view->getGrid().getColumns();
    auto mouse = [this](wxEventType type, wxPoint at) {
        wxMouseEvent event(type);
        event.SetPosition(at);
        event.m_leftDown = type != wxEVT_LEFT_UP;
        view->ProcessWindowEvent(event);
    };

    // From the margin, where no picture lies, to below the view.
    mouse(wxEVT_LEFT_DOWN, wxPoint(2, 2));
    mouse(wxEVT_MOTION, wxPoint(40, height + 30));
    ASSERT_TRUE(view->isBandScrolling());
    const std::size_t onScreen = view->getGrid().getSelectedCount();
    for (int tick = 0; tick < 200 && view->GetVisibleRowsBegin() < 3; ++tick)
        view->scrollBand();
    const int firstRow = static_cast<int>(view->GetVisibleRowsBegin());
    ASSERT_GE(firstRow, 3);
    // The first picture of the row now at the bottom of the view is in the band.
    const std::size_t scrolledIn = (firstRow + height / view->getGrid().getCellHeight()) * columns;
    EXPECT_TRUE(view->getGrid().isSelected(scrolledIn));
    EXPECT_GT(view->getGrid().getSelectedCount(), onScreen);

    // Back inside the view the scrolling stops; outside again it starts, and ends with the
    // band, however the band ends.
    mouse(wxEVT_MOTION, wxPoint(40, height / 2));
    EXPECT_FALSE(view->isBandScrolling());
    mouse(wxEVT_MOTION, wxPoint(40, -20));
    EXPECT_TRUE(view->isBandScrolling());
    view->scrollBand();
    mouse(wxEVT_LEFT_UP, wxPoint(40, -20));
    EXPECT_FALSE(view->isBandScrolling());
    mouse(wxEVT_LEFT_DOWN, wxPoint(2, 2));
    mouse(wxEVT_MOTION, wxPoint(40, -20));
    // As when the desktop takes the mouse: the capture is gone before the view is told.
    view->ReleaseMouse();
    wxMouseCaptureLostEvent lost(view->GetId());
    view->ProcessWindowEvent(lost);
    EXPECT_FALSE(view->isBandScrolling());
}

TEST_F(ThumbnailViewTest, AScreenReaderHearsThePictureInFocusAndItsPlace)
{
    view->setAccessibleLabel("Pictures of the album");
    EXPECT_EQ(Quorvel::getAccessibleName(*view), "Pictures of the album");
    Ref<AlbumFolder> album = albumWithPictures(3);
    view->setFolder(album);
    view->pressKey(WXK_END, false, false);
    const Ref<File> last = view->getFiles().back();
    EXPECT_EQ(Quorvel::getAccessibleName(*view),
              "Pictures of the album: " + last->getFileName() + ", picture 3 of 3");
    last->setCaption("Roses in June");
    view->pressKey(WXK_LEFT, false, false);
    view->pressKey(WXK_RIGHT, false, false);
    EXPECT_EQ(Quorvel::getAccessibleName(*view),
              "Pictures of the album: Roses in June, picture 3 of 3");
}

TEST_F(ThumbnailViewTest, NewsAboutManyPicturesIsAppliedTogetherAndToldOnce)
{
    Ref<AlbumFolder> album = albumWithPictures(30);
    view->setFolder(album);
    view->selectAll();
    int told = 0;
    frame->Bind(THUMBNAIL_SELECTION, [&told](wxCommandEvent&) { ++told; });

    // A change to each picture (keywords given to all of them): the owner rebuilds its menus
    // once, not thirty times.
    const ThumbnailView::Files shown = view->getFiles();
    for (const Ref<File>& file : shown)
        manager->fileChanged(*file, FileEvent::CHANGED_KEYWORDS);
    ASSERT_TRUE(waitUntil([&told] { return told > 0; }));
    EXPECT_FALSE(view->hasPendingNews());
    EXPECT_EQ(told, 1);

    // Ten selected pictures deleted, and two added: one update, the rest stays selected.
    for (std::size_t i = 0; i < 20; i += 2)
        album->deleteFile(*shown[i]);
    const Ref<File> added = album->copyFileIn(*computerPictures(31).back());
    ASSERT_TRUE(waitUntil([this] { return view->getFiles().size() == 21u; }));
    EXPECT_FALSE(view->hasPendingNews());
    EXPECT_EQ(told, 2);
    EXPECT_EQ(view->getFiles()[0], shown[1]);
    EXPECT_EQ(view->getFiles()[9], shown[19]);
    EXPECT_EQ(view->getFiles().back(), added);
    EXPECT_EQ(view->getSelectedCount(), 20u);
    EXPECT_FALSE(view->getGrid().isSelected(20));
}

TEST_F(ThumbnailViewTest, ALargeFolderArrivesInTheBackgroundKeepingSelectionAndNews)
{
    Ref<AlbumFolder> album = albumWithPictures(5);
    // Rows enough for three batches, as an import leaves them (no picture files: the view
    // shows the failure placeholder for those).
    const int rows = static_cast<int>(FolderListReader::FIRST_BATCH + FolderListReader::BATCH) + 7;
    for (int i = 0; i < rows; ++i) {
        auto file = Quorvel::makeRef<File>(album->createFileURI());
        file->setFileName(wxString::Format("ROW_%05d.JPG", i));
        Database::getInstance().addFile(*file);
    }
    view->setBackgroundListing(100);
    int told = 0;
    frame->Bind(THUMBNAIL_LIST_CHANGED, [&told](wxCommandEvent& event) {
        ++told;
        event.Skip();
    });
    view->setFolder(album);
    ASSERT_TRUE(view->isListing());
    ASSERT_TRUE(waitUntil([this] { return !view->getFiles().empty(); }));
    // The first batch: selected pictures stay selected as the rest comes; a picture that
    // arrives meanwhile comes once.
    view->clickItem(3, false, false);
    const Ref<File> arrived = album->copyFileIn(*computerPictures(6).back());
    ASSERT_TRUE(waitUntil([this] { return !view->isListing() && !view->hasPendingNews(); }));

    const ThumbnailView::Files& files = view->getFiles();
    ASSERT_EQ(files.size(), static_cast<std::size_t>(rows) + 6);
    EXPECT_EQ(files[5]->getFileName(), "ROW_00000.JPG");
    EXPECT_EQ(files[5 + rows - 1]->getFileName(), wxString::Format("ROW_%05d.JPG", rows - 1));
    EXPECT_EQ(std::count(files.begin(), files.end(), arrived), 1);
    EXPECT_EQ(view->getGrid().getSelection(), std::vector<std::size_t>{3});
    EXPECT_GE(told, 2);
}

TEST_F(ThumbnailViewTest, AnotherFolderChosenWhileOneArrivesShowsOnlyTheNewOne)
{
    Ref<AlbumFolder> large = makeAlbum("Large");
    for (int i = 0; i < 3000; ++i) {
        auto file = Quorvel::makeRef<File>(large->createFileURI());
        file->setFileName(wxString::Format("ROW_%05d.JPG", i));
        Database::getInstance().addFile(*file);
    }
    Ref<AlbumFolder> small = albumWithPictures(4);
    view->setBackgroundListing(100);
    view->setFolder(large);
    ASSERT_TRUE(view->isListing());
    view->setFolder(small);
    EXPECT_FALSE(view->isListing());
    // Batches of the first list that were already queued are dropped.
    wxTheApp->ProcessPendingEvents();
    wxTheApp->Yield(true);
    ASSERT_EQ(view->getFiles().size(), 4u);
    EXPECT_EQ(view->getFiles()[0]->getFileName(), "IMG_0001.JPG");
}

TEST_F(ThumbnailViewTest, SearchRowsAreMadeIntoFilesAsTheyAreDrawnAndRowsFoundGoneLeave)
{
    // Catalogue rows only: pictures of an album that nobody has read into memory.
    const std::vector<int64_t> rows = catalogueRows(500);
    ASSERT_EQ(rows.size(), 500u);
    const auto uriOf = [](int64_t row) { return Database::getInstance().getFileUri(row); };
    const wxString lastUri = uriOf(rows.back());

    view->setRows({rows.begin(), rows.begin() + 200});
    view->appendRows({rows.begin() + 200, rows.end()});
    EXPECT_EQ(view->getCount(), 500u);
    ASSERT_TRUE(waitUntil([&] {
        view->Update();
        return manager->isRegistered(uriOf(rows.front()));
    }));
    // Only what was drawn has its file.
    EXPECT_FALSE(manager->isRegistered(uriOf(rows[300])));
    EXPECT_FALSE(manager->isRegistered(lastUri));

    // A row deleted before it was drawn leaves when the view comes to it.
    Database::getInstance().deleteFile(lastUri);
    view->pressKey(WXK_END, false, false);
    ASSERT_TRUE(waitUntil([&] {
        view->Update();
        return view->getCount() == 499u;
    }));
    EXPECT_TRUE(manager->isRegistered(uriOf(rows[498])));
    EXPECT_EQ(view->getRows().back(), rows[498]);

    // Every file when asked for, in order, without the one gone.
    const ThumbnailView::Files& files = view->getFiles();
    ASSERT_EQ(files.size(), 499u);
    EXPECT_EQ(files.front()->getCaption(), "Picture 000");
    EXPECT_EQ(files.back()->getCaption(), "Picture 498");
}

TEST_F(ThumbnailViewTest, AScrollerScrollsTheScreensAskedForOneAtATimeAndEnds)
{
    view->setRows(catalogueRows(300));
    ASSERT_TRUE(waitUntil([this] { return view->GetClientSize().y > 0; }));
    const int rowsOnScreen =
        static_cast<int>(view->GetVisibleRowsEnd() - view->GetVisibleRowsBegin());
    ThumbnailScroller scroller(*view, 3);
    ASSERT_TRUE(waitUntil([&] { return scroller.isDone(); }));
    EXPECT_EQ(scroller.getScrolled(), 3);
    // Three pages down, each page the rows on screen less the one kept for context at most.
    EXPECT_GE(static_cast<int>(view->GetVisibleRowsBegin()), 3 * (rowsOnScreen - 2));
}

TEST_F(ThumbnailViewTest, AScrollerStopsWhenTheViewGoesAndDoesNothingForNoScreens)
{
    view->setRows(catalogueRows(300));
    ThumbnailScroller none(*view, 0);
    EXPECT_TRUE(none.isDone());
    EXPECT_EQ(none.getScrolled(), 0);

    ThumbnailScroller scroller(*view, 100000);
    frame->Destroy();
    frame = nullptr;
    ASSERT_TRUE(waitUntil([] { return wxTopLevelWindows.IsEmpty(); }));
    ASSERT_TRUE(waitUntil([&] { return scroller.isDone(); }));
    EXPECT_LT(scroller.getScrolled(), 100000);
}
