#include <algorithm>
#include <vector>

#include <wx/menu.h>

#include "PhotoLibraryTest.h"
#include "WaitUntil.h"
#include "keywords/KeywordManager.h"
#include "mainframe/CommandIds.h"
#include "mainframe/KeywordsPanel.h"
#include "mainframe/MainFrame.h"
#include "system/Configuration.h"
#include "ui/Accessibility.h"
#include "widgets/ThumbnailView.h"

using namespace Brenmarle;
using Quorvel::Ref;

namespace {

class KeywordsPanelTest : public PhotoLibraryTest {
protected:
    KeywordsPanelTest() { Quorvel::Configuration::set(&configuration); }
    ~KeywordsPanelTest() override
    {
        if (frame) {
            frame->Close(true);
            waitUntil([] { return wxTopLevelWindows.IsEmpty(); });
        }
        Quorvel::Configuration::set(nullptr);
    }

    // The main window on an album of `count` pictures with the keywords sidebar chosen from the
    // View menu.
    KeywordsPanel& openPanel(int count)
    {
        album = makeAlbum("Party");
        for (const auto& picture : computerPictures(count))
            album->copyFileIn(*picture);
        frame = new MainFrame("Vistrelle");
        frame->Show();
        frame->showSection(Section::Albums);
        wxCommandEvent choose(wxEVT_MENU, ID_VIEW_KEYWORDS);
        frame->ProcessWindowEvent(choose);
        return *frame->getKeywordsPanel();
    }

    Quorvel::Configuration configuration;
    Ref<AlbumFolder> album;
    MainFrame* frame = nullptr;
};

// The message line as one line of text (it wraps to the sidebar's width).
wxString shownMessage(const KeywordsPanel& panel)
{
    wxString message = panel.getMessage();
    message.Replace("\n", " ");
    return message;
}

// The keyword rows as a screen reader meets them: "name (tick)".
std::vector<wxString> spokenKeywords(KeywordsPanel& panel)
{
    std::vector<wxString> rows;
    for (const Quorvel::AccessibleNode& node : Quorvel::readAccessibleTree(*panel.getTree()))
        if (node.role == "table cell" && !node.name.empty())
            rows.push_back(node.name + " (" + node.description + ")");
    return rows;
}

} // namespace

TEST_F(KeywordsPanelTest, ATickedKeywordTagsTheSelectedPicturesInTheCatalogue)
{
    KeywordsPanel& panel = openPanel(3);
    ASSERT_TRUE(panel.IsShownOnScreen());
    EXPECT_TRUE(frame->GetMenuBar()->FindItem(ID_VIEW_KEYWORDS)->IsChecked());
    ASSERT_TRUE(panel.addKeyword("Events/Birthday"));
    // The tree shows the parent level above it.
    const wxTreeListItem item = panel.findItem("Events/Birthday");
    ASSERT_TRUE(item.IsOk());
    EXPECT_EQ(panel.getTree()->GetItemParent(item), panel.findItem("Events"));

    ThumbnailView* view = frame->getCurrentView();
    view->clickItem(0, false, false);
    view->clickItem(2, true, false);
    EXPECT_EQ(panel.getTree()->GetCheckedState(item), wxCHK_UNCHECKED);
    EXPECT_TRUE(panel.tagSelection("Events/Birthday", true));
    EXPECT_EQ(panel.getTree()->GetCheckedState(item), wxCHK_CHECKED);

    const auto files = view->getFiles();
    EXPECT_EQ(Database::getInstance().loadFile(files[0]->getURI())->getKeywords(),
              std::set<wxString>{"Events/Birthday"});
    EXPECT_TRUE(Database::getInstance().loadFile(files[1]->getURI())->getKeywords().empty());
    EXPECT_EQ(Database::getInstance().loadFile(files[2]->getURI())->getKeywords(),
              std::set<wxString>{"Events/Birthday"});

    // Two of three selected have it: a half tick.
    view->selectAll();
    EXPECT_EQ(panel.getTree()->GetCheckedState(item), wxCHK_UNDETERMINED);
}

TEST_F(KeywordsPanelTest, AKeywordWithTheSeparatorIsRefusedWithTheReason)
{
    KeywordsPanel& panel = openPanel(1);
    wxString reason;
    try {
        KeywordManager::checkKeyword("Rock|Pop");
    } catch (const KeywordException& e) {
        reason = e.getMessage();
    }
    ASSERT_FALSE(reason.empty());

    EXPECT_FALSE(panel.addKeyword("Rock|Pop"));
    EXPECT_EQ(shownMessage(panel), reason);
    EXPECT_FALSE(panel.findItem("Rock|Pop").IsOk());
    EXPECT_FALSE(KeywordManager::getInstance().getKeywords().count("Rock|Pop"));

    ASSERT_TRUE(panel.addKeyword("Music"));
    EXPECT_TRUE(panel.getMessage().empty());
    EXPECT_FALSE(panel.renameKeyword("Music", "Rock|Pop"));
    EXPECT_EQ(shownMessage(panel), reason);
    EXPECT_TRUE(panel.findItem("Music").IsOk());
}

TEST_F(KeywordsPanelTest, ThePlaceSetForTheSelectionIsStored)
{
    KeywordsPanel& panel = openPanel(2);
    ThumbnailView* view = frame->getCurrentView();
    view->clickItem(1, false, false);
    EXPECT_TRUE(panel.setSelectionPlace("NO", "Vestland", "Bergen", "Bryggen"));
    Ref<File> stored = Database::getInstance().loadFile(view->getFiles()[1]->getURI());
    EXPECT_EQ(stored->getCountryCode(), "NO");
    EXPECT_EQ(stored->getCity(), "Bergen");
    EXPECT_EQ(stored->getSublocation(), "Bryggen");
    EXPECT_EQ(stored->getProvince(), "Vestland");
    EXPECT_TRUE(Database::getInstance().loadFile(view->getFiles()[0]->getURI())->getCity().empty());
}

// The rows are read out with their ticks, which follow the selection and the tagging though the
// program, not a click, sets them.
TEST_F(KeywordsPanelTest, AScreenReaderHearsEachKeywordWithItsTick)
{
    KeywordsPanel& panel = openPanel(2);
    ASSERT_TRUE(panel.addKeyword("Events/Birthday"));
    ThumbnailView* view = frame->getCurrentView();
    view->clickItem(0, false, false);
    ASSERT_TRUE(panel.tagSelection("Events/Birthday", true));
    const auto hears = [&panel](const std::vector<wxString>& rows) {
        std::vector<wxString> heard;
        // The rows are on the bus once GTK has drawn them.
        const bool all = waitUntil([&] {
            heard = spokenKeywords(panel);
            return std::all_of(rows.begin(), rows.end(), [&heard](const wxString& row) {
                return std::find(heard.begin(), heard.end(), row) != heard.end();
            });
        });
        return all ? ::testing::AssertionSuccess()
                   : ::testing::AssertionFailure()
                         << wxJoin(wxArrayString(heard.size(), heard.data()), '\n');
    };
    EXPECT_TRUE(hears({"Events (not checked)", "Birthday (checked)"}));
    view->selectAll();
    EXPECT_TRUE(hears({"Events (not checked)", "Birthday (partly checked)"}));
}
