#include <wx/checkbox.h>
#include <wx/menu.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "PhotoLibraryTest.h"
#include "ScopedTimeZone.h"
#include "WaitUntil.h"
#include "mainframe/CommandIds.h"
#include "mainframe/MainFrame.h"
#include "mainframe/PictureSearchPage.h"
#include "system/Configuration.h"
#include "widgets/ThumbnailView.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

class PictureSearchPageTest : public PhotoLibraryTest {
protected:
    PictureSearchPageTest() { Quorvel::Configuration::set(&configuration); }
    ~PictureSearchPageTest() override
    {
        if (frame) {
            frame->Close(true);
            waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
        }
        Quorvel::Configuration::set(nullptr);
    }

    // An album of pictures with these captions, then the main window on the search section.
    PictureSearchPage& openSearch(const std::vector<wxString>& captions)
    {
        album = makeAlbum("Holidays");
        const auto pictures = computerPictures(static_cast<int>(captions.size()));
        for (size_t i = 0; i < captions.size(); ++i) {
            Ref<File> file = album->copyFileIn(*pictures[i]);
            file->setCaption(captions[i]);
            file->setTime(1700000000 + static_cast<int32_t>(i) * 86400);
            album->saveFileMetadata(*file);
        }
        frame = new MainFrame("Vistrelle");
        frame->Show();
        frame->showSection(Section::Search);
        return *frame->getSearchPage();
    }

    static std::vector<wxString> captions(ThumbnailView& view)
    {
        std::vector<wxString> result;
        for (const auto& file : view.getFiles())
            result.push_back(file->getCaption());
        return result;
    }

    Quorvel::Configuration configuration;
    Ref<AlbumFolder> album;
    MainFrame* frame = nullptr;
};

} // namespace

TEST_F(PictureSearchPageTest, TypedTextShowsTheMatchesAndTheirCountAndANewerTextReplacesThem)
{
    PictureSearchPage& page = openSearch({"Beach at dawn", "Mountain hut", "Beach party"});
    EXPECT_EQ(frame->getCurrentView(), page.getView());

    // Typing letter by letter: each query supersedes the one before, the last one shows.
    for (const char* typed : {"B", "Be", "Bea", "Beach"})
        page.getTextField()->SetValue(typed);
    ASSERT_TRUE(waitUntil([&] {
        return page.getCountText() == "2 pictures found" && page.getView()->getFiles().size() == 2;
    }));
    EXPECT_EQ(captions(*page.getView()),
              (std::vector<wxString>{"Beach at dawn", "Beach party"})); // in time order

    page.getTextField()->SetValue("hut");
    ASSERT_TRUE(waitUntil([&] {
        return page.getCountText() == "1 picture found" && page.getView()->getFiles().size() == 1;
    }));
    EXPECT_EQ(captions(*page.getView()), std::vector<wxString>{"Mountain hut"});

    // Results carry the menus as any section's pictures do.
    page.getView()->selectAll();
    EXPECT_EQ(frame->getCommandContext().selectedCount, 1);
}

TEST_F(PictureSearchPageTest, TheFavoritesBoxAndTheViewMenusItemAreOneFilter)
{
    PictureSearchPage& page = openSearch({"Beach at dawn", "Beach party"});
    auto* favorites =
        dynamic_cast<wxCheckBox*>(wxWindow::FindWindowByName("SearchFavorites", &page));
    ASSERT_NE(favorites, nullptr);

    frame->ProcessCommand(ID_FAVORITES_ONLY);
    EXPECT_TRUE(page.getView()->isFavoritesOnly());
    page.UpdateWindowUI(wxUPDATE_UI_RECURSE);
    EXPECT_TRUE(favorites->GetValue());

    favorites->SetValue(false);
    wxCommandEvent click(wxEVT_CHECKBOX, favorites->GetId());
    click.SetEventObject(favorites);
    favorites->GetEventHandler()->ProcessEvent(click);
    EXPECT_FALSE(page.getView()->isFavoritesOnly());
    frame->updateMenus();
    EXPECT_FALSE(frame->GetMenuBar()->FindItem(ID_FAVORITES_ONLY)->IsChecked());
}

TEST_F(PictureSearchPageTest, ACountryAndPeriodSearchShowsOnlyThatCountrysPicturesOfThePeriod)
{
    PictureSearchPage& page = openSearch({"Fjord", "Glacier", "Harbour"});
    for (const wxString& uri : album->getFileUris()) {
        Ref<File> file = manager->getFile(uri);
        if (file->getCaption() != "Harbour") {
            file->setCountryCode("NO");
            album->saveFileMetadata(*file);
        }
    }
    // The first day only: the glacier was a day later.
    page.searchCountry("no", 1700000000, 1700000000 + 86400);
    ASSERT_TRUE(waitUntil([&] { return page.getView()->getFiles().size() == 1; }));
    EXPECT_EQ(page.getCountText(), "1 picture found");
    EXPECT_EQ(captions(*page.getView()), std::vector<wxString>{"Fjord"});
    EXPECT_EQ(page.getCriteria().countryCode, "NO");
}

TEST_F(PictureSearchPageTest, APeriodIsTheCalendarDaysOfThePicturesWallClockInAnyTimeZone)
{
    // Picture times are wall-clock times read as UTC: 1700000000 is 14 November 2023, 22:13,
    // which Tokyo's local time would call the 15th.
    const ScopedTimeZone tokyo("Asia/Tokyo");
    PictureSearchPage& page = openSearch({"Fjord", "Glacier"});
    page.searchCountry("", 1700000000, 1700000000 + 86400);
    // The period as the pickers now show it, searched again as if the user had edited it.
    auto* period = dynamic_cast<wxCheckBox*>(wxWindow::FindWindowByName("SearchPeriod", &page));
    ASSERT_NE(period, nullptr);
    wxCommandEvent toggled(wxEVT_CHECKBOX, period->GetId());
    toggled.SetEventObject(period);
    period->GetEventHandler()->ProcessEvent(toggled);
    // The criteria are the running search's: wait until the searched period is a whole day.
    waitUntil(
        [&] { return page.getCriteria().minTime != 0 && page.getCriteria().minTime % 86400 == 0; });
    EXPECT_EQ(page.getCriteria().minTime, 1699920000); // 14 November, 00:00
    EXPECT_EQ(page.getCriteria().maxTime, 1700092800); // 16 November, 00:00
}

TEST_F(PictureSearchPageTest, ACustomQueryShowsItsMatchesAndARefusedOneItsReason)
{
    PictureSearchPage& page = openSearch({"Beach at dawn", "Mountain hut"});
    page.runCustomQuery("caption LIKE 'Mountain%'");
    ASSERT_TRUE(waitUntil([&] { return page.getView()->getFiles().size() == 1; }));
    EXPECT_EQ(page.getCountText(), "1 picture found");

    page.runCustomQuery("1 = 1; DELETE FROM file");
    ASSERT_TRUE(
        waitUntil([&] { return page.getCountText().StartsWith("The search could not run: "); }));
    EXPECT_TRUE(page.getView()->getFiles().empty());
    EXPECT_EQ(album->getFileCount(), 2);
}

TEST_F(PictureSearchPageTest, MatchesDeletedElsewhereLeaveTheResultsDrawnOrNot)
{
    // Many more matches than a screenful: the last ones are not drawn, so not made.
    PictureSearchPage& page = openSearch(std::vector<wxString>(150, "Beach"));
    page.getTextField()->SetValue("Beach");
    ASSERT_TRUE(waitUntil([&] { return page.getView()->getCount() == 150u; }));
    const std::vector<int64_t> rows = page.getView()->getRows();

    // Deleted as another window would: the news names files, not the view's rows.
    for (const int64_t row : {rows.front(), rows.back()})
        album->deleteFile(*manager->getFile(Database::getInstance().getFileUri(row)));
    ASSERT_TRUE(waitUntil([&] { return page.getView()->getCount() == 148u; }));
    const std::vector<int64_t> left = page.getView()->getRows();
    EXPECT_EQ(left, std::vector<int64_t>(rows.begin() + 1, rows.end() - 1));
}
