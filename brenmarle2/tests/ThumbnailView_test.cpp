#include <wx/frame.h>

#include "PhotoLibraryTest.h"
#include "WaitUntil.h"
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
