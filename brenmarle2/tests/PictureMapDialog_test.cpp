#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include "HeldLibraryLock.h"
#include "LogCapture.h"
#include "MapCatalogue.h"
#include "WaitUntil.h"
#include "map/PictureMapControl.h"
#include "map/PictureMapDialog.h"
#include "map/TimeSpanSlider.h"
#include "system/ConfigFile.h"
#include "ui/Accessibility.h"

namespace {

class PictureMapDialogTest : public ::testing::Test {
protected:
    // The dialog with its first counts in.
    std::unique_ptr<PictureMapDialog> makeDialog()
    {
        auto dialog = std::make_unique<PictureMapDialog>(nullptr, catalogue.database, config,
                                                         VISTRELLE_RESOURCES_DIR);
        counted(*dialog);
        return dialog;
    }
    // Waits for the counts asked for so far.
    static void counted(PictureMapDialog& dialog)
    {
        ASSERT_TRUE(waitUntil([&] { return !dialog.isCounting(); }));
    }
    static void moveSlider(PictureMapDialog& dialog)
    {
        wxCommandEvent moved(wxEVT_SLIDER, dialog.getSlider()->GetId());
        dialog.getSlider()->GetEventHandler()->ProcessEvent(moved);
    }
    // A control point on one of the country's own pixels.
    static wxPoint pointIn(PictureMapDialog& dialog, const wxString& code)
    {
        auto region = dialog.getMapControl()->getMap()->getRegion(code);
        const wxImage& image = region->getImage();
        for (int y = 0; y < image.GetHeight(); ++y)
            for (int x = 0; x < image.GetWidth(); ++x)
                if (image.GetRed(x, y) == 85)
                    return toControl(dialog, region->getRect().GetPosition() + wxPoint(x, y));
        ADD_FAILURE() << "no pixel of " << code;
        return wxPoint();
    }
    static wxPoint toControl(PictureMapDialog& dialog, const wxPoint& mapPoint)
    {
        const wxSize size = dialog.getMapControl()->GetClientSize();
        const auto* map = dialog.getMapControl()->getMap();
        return mapPoint + wxPoint(std::max(0, (size.x - map->getPixelWidth()) / 2),
                                  std::max(0, (size.y - map->getPixelHeight()) / 2));
    }
    static void pressSearch(PictureMapDialog& dialog)
    {
        wxCommandEvent press(wxEVT_BUTTON, wxID_OK);
        press.SetEventObject(dialog.getSearchButton());
        dialog.getSearchButton()->GetEventHandler()->ProcessEvent(press);
    }

    MapCatalogue catalogue;
    Quorvel::ConfigFile config{catalogue.dir / "user.ini"};
};

} // namespace

TEST_F(PictureMapDialogTest, WithoutCountryCodesTheRegistrationPanelShows)
{
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "");
    auto dialog = makeDialog();
    EXPECT_TRUE(dialog->getRegisterPanel()->IsShown());
    EXPECT_FALSE(dialog->getMapPanel()->IsShown());
    EXPECT_FALSE(dialog->getSearchButton()->IsShown());
    EXPECT_TRUE(dialog->getRegisterPanel()->FindWindow("countrysel.png"));
}

TEST_F(PictureMapDialogTest, ClickOnACountryCountsItsPicturesAndHandsThemToTheSearch)
{
    const int32_t newest = wallClock(2024, 6, 1, 21, 30);
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "NO");
    catalogue.add(newest, "NO");
    catalogue.add(wallClock(2023, 1, 5, 12, 0), "SE");
    auto dialog = makeDialog();
    ASSERT_TRUE(dialog->getMapPanel()->IsShown());
    dialog->Show();
    ASSERT_TRUE(waitUntil([&] { return dialog->IsShownOnScreen(); }));
    EXPECT_TRUE(Quorvel::findUnnamedControls(*dialog).empty())
        << wxJoin(wxArrayString(Quorvel::findUnnamedControls(*dialog).size(),
                                Quorvel::findUnnamedControls(*dialog).data()),
                  '\n');
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(), "No selection");
    EXPECT_FALSE(dialog->getSearchButton()->IsEnabled());

    LogCapture log;
    dialog->getMapControl()->clickAt(pointIn(*dialog, "NO"));
    counted(*dialog);
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(),
              "2 pictures from Norway was found in the period 2024-03-10 to 2024-06-01");
    EXPECT_TRUE(log.contains("[PICTUREMAPDIALOG] Found 2 pictures"));
    ASSERT_TRUE(dialog->getSearchButton()->IsEnabled());

    pressSearch(*dialog);
    const auto& request = dialog->getSearchRequest();
    EXPECT_EQ(request.countryCode, "NO");
    EXPECT_EQ(request.minimumTime, 0); // from the earliest picture on
    EXPECT_GT(request.maximumTime, newest);
}

TEST_F(PictureMapDialogTest, ClickInTheSeaClearsTheSelection)
{
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "NO");
    auto dialog = makeDialog();
    dialog->getMapControl()->clickAt(pointIn(*dialog, "NO"));
    ASSERT_EQ(dialog->getMapControl()->getSelection(), "NO");

    const wxPoint sea(3, 300);
    ASSERT_EQ(dialog->getMapControl()->getMap()->hitTest(sea.x, sea.y), "");
    LogCapture log;
    dialog->getMapControl()->clickAt(toControl(*dialog, sea));
    counted(*dialog);
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(), "No selection");
    EXPECT_TRUE(log.contains("[PICTUREMAPDIALOG] Clearing seldescrlabel"));
    EXPECT_FALSE(dialog->getSearchButton()->IsEnabled());
}

TEST_F(PictureMapDialogTest, ArrowKeysStepThroughTheCountries)
{
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "AD");
    auto dialog = makeDialog();
    PictureMapControl* map = dialog->getMapControl();
    const auto& regions = map->getMap()->getRegions();
    wxKeyEvent left(wxEVT_KEY_DOWN);
    left.m_keyCode = WXK_LEFT;
    map->GetEventHandler()->ProcessEvent(left);
    EXPECT_EQ(map->getSelection(), regions.rbegin()->first); // from none, backwards: the last
    wxKeyEvent right(wxEVT_KEY_DOWN);
    right.m_keyCode = WXK_RIGHT;
    map->GetEventHandler()->ProcessEvent(right);
    EXPECT_EQ(map->getSelection(), "AD"); // wraps round to the first
    counted(*dialog);
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(),
              "1 picture from Andorra was found in the period 2024-03-10 to 2024-03-10");
}

// Which stored regions are used is the model's test.
TEST_F(PictureMapDialogTest, RemembersTheRegion)
{
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "NZ");
    config.writeString("PictureMap/LastRegion", "world/oceania");
    auto dialog = makeDialog();
    EXPECT_EQ(dialog->getRegionChoice()->GetStringSelection(), "Oceania");
    EXPECT_EQ(dialog->getMapControl()->getMap()->getRegionName(), "Oceania");

    dialog->chooseRegion(2);
    counted(*dialog);
    EXPECT_EQ(dialog->getMapControl()->getMap()->getRegionName(), "Asia");
    wxString stored;
    config.readString("PictureMap/LastRegion", stored);
    EXPECT_EQ(stored, "world/asia");
}

TEST_F(PictureMapDialogTest, TheWindowAnswersWhileTheCatalogueCountsAndShowsTheLatestPeriod)
{
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "NO");
    catalogue.add(wallClock(2024, 6, 1, 21, 30), "NO");
    std::unique_ptr<PictureMapDialog> dialog;
    {
        // Another thread is in the middle of a long catalogue query: the dialog opens at once
        // and says that it is counting.
        HeldLibraryLock busy;
        dialog = std::make_unique<PictureMapDialog>(nullptr, catalogue.database, config,
                                                    VISTRELLE_RESOURCES_DIR);
        EXPECT_FALSE(busy.gaveUp()) << "the dialog waited for the catalogue on the GUI thread";
        EXPECT_TRUE(dialog->isCounting());
        EXPECT_FALSE(dialog->getMapPanel()->IsShown());
        EXPECT_FALSE(dialog->getRegisterPanel()->IsShown());
    }
    counted(*dialog);
    ASSERT_TRUE(dialog->getMapPanel()->IsShown());
    dialog->getMapControl()->clickAt(pointIn(*dialog, "NO"));
    counted(*dialog);

    TimeSpanSlider* slider = dialog->getSlider();
    {
        HeldLibraryLock busy;
        // A drag over the timeline: each step returns at once; only the last period counts.
        for (int end = slider->getFirstDay(); end <= slider->getLastDay(); end += 20) {
            slider->setSpan(slider->getFirstDay(), end);
            moveSlider(*dialog);
        }
        slider->setSpan(slider->getFirstDay(), slider->getLastDay() - 1);
        moveSlider(*dialog);
        EXPECT_FALSE(busy.gaveUp()) << "a step of the timeline waited for the catalogue";
        EXPECT_TRUE(dialog->isCounting());
    }
    counted(*dialog);
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(),
              "1 picture from Norway was found in the period 2024-03-10 to 2024-03-10");
}
