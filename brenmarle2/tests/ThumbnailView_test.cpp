#include <algorithm>

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

    // An album of `count` catalogue rows (no picture files) named ROW_00000.JPG on, the row
    // `i` dated dayOf(i) when that is not 0; shown as rows, as the view lists more than 100.
    Ref<AlbumFolder> largeAlbum(int count, int32_t (*dayOf)(int) = nullptr)
    {
        Ref<AlbumFolder> album = makeAlbum("Large");
        for (int i = 0; i < count; ++i) {
            auto file = Quorvel::makeRef<File>(album->createFileURI());
            file->setFileName(wxString::Format("ROW_%05d.JPG", i));
            if (dayOf)
                file->setTime(dayOf(i));
            Database::getInstance().addFile(*file);
        }
        view->setBackgroundListing(100);
        return album;
    }

    static wxString uriOf(int64_t row) { return Database::getInstance().getFileUri(row); }

    wxFrame* frame;
    ThumbnailView* view;
};

// 2020-01-01 and a day for each row after the first, which is undated.
constexpr int32_t JANUARY_2020 = 1577836800;
int32_t dailyFrom2020(int i)
{
    return i == 0 ? 0 : JANUARY_2020 + i * 86400;
}

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

TEST_F(ThumbnailViewTest, ALargeAlbumKeepsFilesOnlyNearTheScreenAndItsSelectionAcrossScrolling)
{
    Ref<AlbumFolder> album = largeAlbum(3000);
    view->setFolder(album);
    ASSERT_TRUE(waitUntil([this] { return !view->isListing(); }));
    ASSERT_EQ(view->getCount(), 3000u);
    // The album's order: the order its pictures arrived in, the catalogue's.
    const std::vector<int64_t> rows = view->getRows();
    EXPECT_TRUE(std::is_sorted(rows.begin(), rows.end()));

    // Scrolled through to the end a screen at a time, the view holds a few screenfuls of files,
    // never the whole album.
    ASSERT_TRUE(waitUntil([this] {
        view->Update();
        return view->getMadeCount() > 0;
    }));
    view->clickItem(1, false, false);
    std::size_t mostMade = 0;
    while (view->GetVisibleRowsEnd() < view->GetRowCount()) {
        view->ScrollPages(1);
        view->Update();
        mostMade = std::max(mostMade, view->getMadeCount());
    }
    EXPECT_TRUE(manager->isRegistered(uriOf(rows.back())));
    EXPECT_LT(mostMade, 1000u);

    // The selection is kept by place: a shift-click at the end takes in everything between.
    view->clickItem(2999, false, true);
    EXPECT_EQ(view->getSelectedCount(), 2999u);
    {
        const ThumbnailView::Files selected = view->getSelectedFiles();
        ASSERT_EQ(selected.size(), 2999u);
        EXPECT_EQ(selected.front()->getFileName(), "ROW_00001.JPG");
        EXPECT_EQ(selected[1499]->getFileName(), "ROW_01500.JPG");
        EXPECT_EQ(selected.back()->getFileName(), "ROW_02999.JPG");
    }
    // Made for the caller, they are let go again at the next paint, and so from memory.
    EXPECT_TRUE(waitUntil([this] {
        view->Refresh();
        view->Update();
        return view->getMadeCount() < 1000u;
    }));
    manager->releaseOrphans();
    EXPECT_FALSE(manager->isRegistered(uriOf(rows[1500])));
    EXPECT_TRUE(manager->isRegistered(uriOf(rows[2999])));
}

TEST_F(ThumbnailViewTest, ALargeAlbumFollowsNewsByItsRowsAndKeepsItsTimesUpToDate)
{
    Ref<AlbumFolder> album = largeAlbum(300, dailyFrom2020);
    int32_t first = -1;
    int32_t last = -1;
    view->setFolder(album);
    ASSERT_TRUE(waitUntil([this] { return !view->isListing(); }));
    const std::vector<int64_t> rows = view->getRows();
    ASSERT_EQ(rows.size(), 300u);
    // The undated row counts for nothing.
    view->getTimeRange(first, last);
    EXPECT_EQ(first, dailyFrom2020(1));
    EXPECT_EQ(last, dailyFrom2020(299));

    // The latest picture deleted before the view made it: its row goes, the times follow.
    EXPECT_FALSE(manager->isRegistered(uriOf(rows.back())));
    album->deleteFile(*manager->getFile(uriOf(rows.back())));
    ASSERT_TRUE(waitUntil([&] {
        view->getTimeRange(first, last);
        return view->getCount() == 299u && last == dailyFrom2020(298);
    }));
    EXPECT_EQ(std::count(view->getRows().begin(), view->getRows().end(), rows.back()), 0);
    EXPECT_EQ(first, dailyFrom2020(1));

    // News of a picture the list holds already (it crossed the listing) shows it once; a new
    // one comes at the end with its row, and widens the times.
    EXPECT_FALSE(manager->isRegistered(uriOf(rows[200])));
    manager->fileAdded(*manager->getFile(uriOf(rows[200])), wxString());
    auto added = Quorvel::makeRef<File>(album->createFileURI());
    added->setFileName("LATE.JPG");
    added->setTime(dailyFrom2020(400));
    Database::getInstance().addFile(*added);
    manager->registerFile(added);
    manager->fileAdded(*added, wxString());
    const int64_t addedRow = Database::getInstance().getRowIdsOfUris({added->getURI()}).front();
    ASSERT_TRUE(waitUntil([&] { return view->getRows().back() == addedRow; }));
    EXPECT_EQ(view->getCount(), 300u);
    EXPECT_EQ(std::count(view->getRows().begin(), view->getRows().end(), rows[200]), 1);
    view->getTimeRange(first, last);
    EXPECT_EQ(last, dailyFrom2020(400));
    EXPECT_EQ(view->getFiles().back(), added);
}

TEST_F(ThumbnailViewTest, ALargeAlbumNamesItsPicturesInOrderWithoutMakingThem)
{
    Ref<AlbumFolder> album = largeAlbum(1500);
    view->setFolder(album);
    ASSERT_TRUE(waitUntil([this] { return !view->isListing(); }));
    const std::vector<int64_t> rows = view->getRows();
    ASSERT_EQ(rows.size(), 1500u);
    // A row deleted behind the view's back is left out, and leaves the view.
    Database::getInstance().deleteFile(uriOf(rows[700]));

    const std::vector<wxString> uris = view->getUris();
    ASSERT_EQ(uris.size(), 1499u);
    EXPECT_EQ(uris[0], uriOf(rows[0]));
    EXPECT_EQ(uris[699], uriOf(rows[699]));
    EXPECT_EQ(uris[700], uriOf(rows[701]));
    EXPECT_EQ(uris.back(), uriOf(rows.back()));
    EXPECT_EQ(view->getCount(), 1499u);
    EXPECT_LT(view->getMadeCount(), 1000u);
}
