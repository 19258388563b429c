#include <wx/app.h>
#include <wx/frame.h>

#include "PhotoLibraryTest.h"
#include "WaitUntil.h"
#include "util/Uuid.h"
#include "widgets/ThumbnailScroller.h"
#include "widgets/ThumbnailView.h"

using namespace Brenmarle;

namespace {

class ThumbnailScrollerTest : public PhotoLibraryTest {
protected:
    ThumbnailScrollerTest()
    {
        frame = new wxFrame(nullptr, wxID_ANY, "View", wxDefaultPosition, wxSize(600, 500));
        view = new ThumbnailView(frame);
        frame->Show();
        // Rows of the catalogue, no picture files: each thumbnail fails at once.
        const wxString album = makeAlbum("Garden")->getURI();
        for (int i = 0; i < 300; ++i) {
            auto file = Quorvel::makeRef<File>(album + Quorvel::Uuid::create());
            Database::getInstance().addFile(*file);
        }
        view->setRows(Database::getInstance().getRowIds("SELECT rowid FROM file ORDER BY rowid"));
    }
    ~ThumbnailScrollerTest() override
    {
        if (frame)
            frame->Destroy();
        waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
    }

    wxFrame* frame;
    ThumbnailView* view;
};

} // namespace

TEST_F(ThumbnailScrollerTest, ScrollsTheScreensAskedForOneAtATimeAndEnds)
{
    ASSERT_TRUE(waitUntil([this] { return view->GetClientSize().y > 0; }));
    const int rowsOnScreen = static_cast<int>(view->GetVisibleRowsEnd() - view->GetVisibleRowsBegin());
    ThumbnailScroller scroller(*view, 3);
    ASSERT_TRUE(waitUntil([&] { return scroller.isDone(); }));
    EXPECT_EQ(scroller.getScrolled(), 3);
    // Three pages down, each page the rows on screen less the one kept for context at most.
    EXPECT_GE(static_cast<int>(view->GetVisibleRowsBegin()), 3 * (rowsOnScreen - 2));
}

TEST_F(ThumbnailScrollerTest, StopsWhenTheViewGoesAndDoesNothingForNoScreens)
{
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
