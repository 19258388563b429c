#include <gtest/gtest.h>

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/panel.h>
#include <wx/stattext.h>

#include "LogCapture.h"
#include "MapCatalogue.h"
#include "map/PictureMapControl.h"
#include "map/PictureMapDialog.h"
#include "map/TimeSpanSlider.h"
#include "system/ConfigFile.h"

namespace {

class PictureMapDialogTest : public ::testing::Test {
protected:
    std::unique_ptr<PictureMapDialog> makeDialog()
    {
        return std::make_unique<PictureMapDialog>(nullptr, catalogue.database, config,
                                                  VISTRELLE_RESOURCES_DIR);
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
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(), "No selection");
    EXPECT_FALSE(dialog->getSearchButton()->IsEnabled());

    LogCapture log;
    dialog->getMapControl()->clickAt(pointIn(*dialog, "NO"));
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(),
              "2 pictures from Norway was found in the period 2024-03-10 to 2024-06-01");
    EXPECT_TRUE(log.contains("[PICTUREMAPDIALOG] Found 2 pictures"));
    ASSERT_TRUE(dialog->getSearchButton()->IsEnabled());

    pressSearch(*dialog);
    const auto& request = dialog->getSearchRequest();
    EXPECT_EQ(request.countryCode, "NO");
    EXPECT_EQ(request.minimumTime, 0); // from the earliest picture on
    EXPECT_GT(request.maximumTime, newest);

    // Narrowed to the days before the newest picture, only the first is left.
    dialog->getSlider()->setSpan(dialog->getSlider()->getFirstDay(),
                                 dialog->getSlider()->getLastDay() - 1);
    wxCommandEvent moved(wxEVT_SLIDER, dialog->getSlider()->GetId());
    dialog->getSlider()->GetEventHandler()->ProcessEvent(moved);
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(),
              "1 picture from Norway was found in the period 2024-03-10 to 2024-03-10");
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
    EXPECT_EQ(dialog->getSelectionLabel()->GetLabel(),
              "1 picture from Andorra was found in the period 2024-03-10 to 2024-03-10");
}

TEST_F(PictureMapDialogTest, RemembersTheRegionAndIgnoresOneNotOffered)
{
    catalogue.add(wallClock(2024, 3, 10, 8, 0), "NZ");
    config.writeString("PictureMap/LastRegion", "world/oceania");
    EXPECT_EQ(makeDialog()->getRegionChoice()->GetStringSelection(), "Oceania");

    config.writeString("PictureMap/LastRegion", "../../somewhere");
    auto dialog = makeDialog();
    EXPECT_EQ(dialog->getRegionChoice()->GetStringSelection(), "Europe");
    EXPECT_EQ(dialog->getMapControl()->getMap()->getRegionName(), "Europe");

    dialog->chooseRegion(2);
    EXPECT_EQ(dialog->getMapControl()->getMap()->getRegionName(), "Asia");
    wxString stored;
    config.readString("PictureMap/LastRegion", stored);
    EXPECT_EQ(stored, "world/asia");
}
