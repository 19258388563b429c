#include <wx/frame.h>

#include "PhotoLibraryTest.h"
#include "ProgramConfiguration.h"
#include "WaitUntil.h"
#include "myalbums/MyAlbumsPage.h"
#include "safestorage/SafeStorageAccount.h"
#include "service/AccountSettings.h"
#include "system/Configuration.h"
#include "widgets/ThumbnailView.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

// 2020-01-15, 12:00 UTC.
constexpr int32_t MID_JANUARY_2020 = 1579089600;
constexpr int32_t DAY = 86400;

class MyAlbumsPageTest : public PhotoLibraryTest {
protected:
    MyAlbumsPageTest()
    {
        frame = new wxFrame(nullptr, wxID_ANY, "Albums", wxDefaultPosition, wxSize(700, 500));
        page = new MyAlbumsPage(frame);
        frame->Show();
    }
    ~MyAlbumsPageTest() override
    {
        frame->Destroy();
        waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }

    // An album of `count` catalogue rows, a day apart from mid-January 2020; the last is
    // undated. Its files are not in memory.
    Ref<AlbumFolder> datedAlbum(int count)
    {
        Ref<AlbumFolder> album = makeAlbum("Garden");
        for (int i = 0; i < count; ++i) {
            auto file = Quorvel::makeRef<File>(album->createFileURI());
            file->setFileName(wxString::Format("ROW_%05d.JPG", i));
            file->setTime(i == count - 1 ? 0 : MID_JANUARY_2020 + i * DAY);
            Database::getInstance().addFile(*file);
        }
        return album;
    }

    wxFrame* frame;
    MyAlbumsPage* page;
};

} // namespace

TEST_F(MyAlbumsPageTest, TheHeaderOfALargeAlbumCountsItsRowsAndFollowsItsTimes)
{
    Ref<AlbumFolder> album = datedAlbum(385);
    ThumbnailView& view = *page->getView();
    view.setBackgroundListing(100);
    page->refreshAlbums(false);
    page->chooseAlbum(album->getURI());
    // The dated pictures run from mid-January 2020 to the first of February 2021.
    const wxString header = wxString::FromUTF8("Garden \u2014 385 pictures, Jan 2020 to Feb 2021");
    ASSERT_TRUE(waitUntil([&] { return page->getHeader() == header; })) << page->getHeader();
    EXPECT_LT(view.getMadeCount(), 385u);

    // The last dated picture deleted, not made by the view: the range ends a day earlier, in
    // January.
    const std::vector<int64_t> rows = view.getRows();
    album->deleteFile(*manager->getFile(Database::getInstance().getFileUri(rows[383])));
    const wxString after = wxString::FromUTF8("Garden \u2014 384 pictures, Jan 2020 to Jan 2021");
    EXPECT_TRUE(waitUntil([&] { return page->getHeader() == after; })) << page->getHeader();
}

TEST_F(MyAlbumsPageTest, ALargeAlbumWarnsOfPicturesNotStoredForTheAccountWithoutMakingItsFiles)
{
    Quorvel::Configuration configuration;
    const ProgramConfiguration current(configuration);
    const wxString anna = "3f2504e0-4f89-11d3-9a0c-0305e82c3301";
    AccountSettings::store(configuration, {anna, "anna@example.org", "secret", "demo", "Demo"});
    // Every picture stored for Anna but the last, which was stored under an account she left.
    Ref<AlbumFolder> album = makeAlbum("Garden");
    wxString last;
    for (int i = 0; i < 385; ++i) {
        auto file = Quorvel::makeRef<File>(album->createFileURI());
        file->setFileName(wxString::Format("ROW_%05d.JPG", i));
        file->setSafeStorageType(1);
        file->setSafeStorageAccountId(i == 384 ? wxString("someone-else") : anna);
        Database::getInstance().addFile(*file);
        last = file->getURI();
    }
    ThumbnailView& view = *page->getView();
    view.setBackgroundListing(100);
    page->refreshAlbums(false);
    page->chooseAlbum(album->getURI());
    // The album does not ask to be warned.
    ASSERT_TRUE(waitUntil([&] { return !page->isCountingUnsafe() && !view.isListing(); }));
    EXPECT_EQ(page->getSafeStorageWarning(), "");

    // Asked to now: the line comes once the catalogue answered, and the files were not made.
    album->setSafeStorageWarning(true);
    album->update();
    manager->folderChanged(*album, 0);
    const wxString warning = "Some of your pictures in this album are not safely stored. The "
                             "pictures in question are marked red below for your attention.";
    ASSERT_TRUE(waitUntil([&] { return page->getSafeStorageWarning() == warning; }));
    EXPECT_TRUE(view.isMarkingNotSafelyStored());
    EXPECT_LT(view.getMadeCount(), 385u);
    EXPECT_FALSE(manager->isRegistered(last));

    // Stored for Anna too: the line goes with the news of it.
    SafeStorageAccount::setStatus(*manager->getFile(last), 1, anna);
    EXPECT_TRUE(waitUntil([&] { return page->getSafeStorageWarning().empty(); }));
    EXPECT_FALSE(view.isMarkingNotSafelyStored());
}
