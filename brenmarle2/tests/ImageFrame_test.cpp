#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>
#include <wx/tglbtn.h>

#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "WaitUntil.h"
#include "folders/TempFolder.h"
#include "fullscreen/FullScreenFrame.h"
#include "imaging/ImageMagickSetup.h"
#include "thumbnails/ImageLoader.h"
#include "viewedit/BrightnessContrastTab.h"
#include "viewedit/CropTab.h"
#include "viewedit/EditStatusTab.h"
#include "viewedit/EffectTab.h"
#include "viewedit/ImageFrame.h"
#include "viewedit/ImageView2.h"

using Brenmarle::ImageData;
using Quorvel::Ref;

namespace {

class ImageFrameTest : public PhotoLibraryTest {
protected:
    ImageFrameTest()
    {
        Brenmarle::ensureImageMagick();
        if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
            wxImage::AddHandler(new wxPNGHandler);
        if (!wxImage::FindHandler(wxBITMAP_TYPE_JPEG))
            wxImage::AddHandler(new wxJPEGHandler);
    }
    ~ImageFrameTest() override
    {
        for (ImageFrame* frame : ImageFrame::getOpenFrames())
            frame->Destroy();
        wxTheApp->ProcessIdle();
    }

    // A picture of the computer, width x height, as a path.
    wxString picture(const wxString& name, int width, int height)
    {
        wxImage image(width, height);
        image.SetRGB(wxRect(0, 0, width, height), 90, 140, 60);
        image.SetRGB(wxRect(0, 0, width / 2, height / 2), 200, 60, 40);
        const wxString path = home.path() + "Pictures/" + name;
        wxFileName::Mkdir(home.path() + "Pictures", 0700, wxPATH_MKDIR_FULL);
        image.SaveFile(path, wxBITMAP_TYPE_PNG);
        return path;
    }

    static wxArrayString uris(std::initializer_list<wxString> list)
    {
        wxArrayString array;
        for (const wxString& uri : list)
            array.Add(uri);
        return array;
    }

    EffectTab* effects(ImageFrame* frame, ImageFrame::Tab tab)
    {
        return dynamic_cast<EffectTab*>(frame->getEditTab(tab));
    }

    // The user drags on the view from one picture pixel to another.
    static void drag(ImageView2* view, wxPoint from, wxPoint to)
    {
        for (auto [type, at] :
             {std::pair{wxEVT_LEFT_DOWN, from}, {wxEVT_MOTION, to}, {wxEVT_LEFT_UP, to}}) {
            wxMouseEvent event(type);
            const wxPoint point = view->toWindow(at);
            event.m_x = point.x;
            event.m_y = point.y;
            event.m_leftDown = type != wxEVT_LEFT_UP;
            event.SetEventObject(view);
            view->GetEventHandler()->ProcessEvent(event);
        }
    }
};

} // namespace

TEST_F(ImageFrameTest, OpeningForEditShowsTheFiveTabsWithNothingToApplyYet)
{
    // Wider than the screen, so the copy shown is smaller than the picture.
    ImageFrame* frame = ImageFrame::open(nullptr, uris({picture("a.png", 3000, 400)}), 0, false);
    ASSERT_FALSE(frame->isEditing());
    EXPECT_LT(frame->getCurrentImage()->getWidth(), 3000);
    ASSERT_TRUE(frame->openEditing());
    // Editing works on the full-size picture, not on the screen-size copy shown before.
    EXPECT_EQ(frame->getCurrentImage()->getWidth(), 3000);
    wxNotebook* tabs = frame->getTabs();
    ASSERT_EQ(tabs->GetPageCount(), 5u);
    EXPECT_EQ(tabs->GetPageText(0), "Auto Improve");
    EXPECT_EQ(tabs->GetPageText(1), "Black/White or Sephia");
    EXPECT_EQ(tabs->GetPageText(2), "Crop Picture");
    EXPECT_EQ(tabs->GetPageText(3), "Brightness & Contrast");
    EXPECT_EQ(tabs->GetPageText(4), "Edit Status");
    for (int tab = ImageFrame::AUTO_IMPROVE; tab < ImageFrame::EDIT_STATUS; ++tab) {
        EditTab* edit = frame->getEditTab(ImageFrame::Tab(tab));
        EXPECT_FALSE(edit->getResetButton()->IsEnabled());
        EXPECT_FALSE(edit->getApplyButton()->IsEnabled());
        EXPECT_FALSE(edit->getHint()->IsShown());
    }
    EXPECT_EQ(frame->getStatusTab()->getText(),
              "To make changes to the picture, please choose a category from the menu above.");
    EXPECT_FALSE(frame->getPreviousButton()->IsEnabled());
    EXPECT_FALSE(frame->getNextButton()->IsEnabled());
}

TEST_F(ImageFrameTest, ActualSizeShowsThePicturesOwnPixelsNotTheScreenCopyEnlarged)
{
    ImageFrame* frame = ImageFrame::open(nullptr, uris({picture("a.png", 3000, 400)}), 0, false);
    ASSERT_LT(frame->getView()->getImage()->getWidth(), 3000);
    frame->zoom(0);
    EXPECT_EQ(frame->getView()->getImage()->getWidth(), 3000);
    EXPECT_DOUBLE_EQ(frame->getView()->getZoom(), 1.0);
}

TEST_F(ImageFrameTest, EffectsPreviewFromTheCurrentPictureAndApplyMarksItUnsaved)
{
    ImageFrame* frame = ImageFrame::open(nullptr, uris({picture("a.png", 300, 200)}), 0, true);
    Ref<ImageData> loaded = frame->getCurrentImage();
    const auto original = loaded->getDrawable()->rgb;
    EffectTab* tab = effects(frame, ImageFrame::BLACK_WHITE);
    tab->getToggle(0)->SetValue(true);
    wxCommandEvent toggled(wxEVT_TOGGLEBUTTON);
    tab->getToggle(0)->ProcessWindowEvent(toggled);
    EXPECT_TRUE(tab->getApplyButton()->IsEnabled());
    EXPECT_TRUE(tab->getHint()->IsShown());
    // Sepia after black/white without Apply is sepia of the picture, not of the grey preview.
    tab->getToggle(1)->SetValue(true);
    wxCommandEvent pressed(wxEVT_TOGGLEBUTTON);
    pressed.SetEventObject(tab->getToggle(1));
    tab->getToggle(1)->ProcessWindowEvent(pressed);
    EXPECT_FALSE(tab->getToggle(0)->GetValue());
    Ref<ImageData> fresh = Quorvel::Ref<ImageData>::adopt(new ImageData(*loaded));
    fresh->makeSepia();
    EXPECT_EQ(frame->getView()->getImage()->getDrawable()->rgb, fresh->getDrawable()->rgb);
    EXPECT_EQ(loaded->getDrawable()->rgb, original); // the loaded picture is never changed

    pressButton(tab->getApplyButton());
    EXPECT_FALSE(tab->getApplyButton()->IsEnabled());
    EXPECT_FALSE(tab->getHint()->IsShown());
    EXPECT_TRUE(frame->hasUnsavedChanges());
    EXPECT_EQ(frame->getStatusTab()->getText(),
              "You have unsaved changes to the picture.\n"
              "You must save the changes to make them permanent:");
    EXPECT_TRUE(frame->getStatusTab()->getSaveButton()->IsShown());
}

TEST_F(ImageFrameTest, CropSelectsByDragAndCutsTheFullSizePicture)
{
    ImageFrame* frame = ImageFrame::open(nullptr, uris({picture("a.png", 300, 200)}), 0, true);
    frame->getTabs()->SetSelection(ImageFrame::CROP);
    auto* tab = static_cast<CropTab*>(frame->getEditTab(ImageFrame::CROP));
    ImageView2* view = frame->getView();
    ASSERT_TRUE(view->isSelectionMode());
    EXPECT_FALSE(tab->getRatios()->IsEnabled());

    drag(view, {20, 20}, {20, 20}); // a click: no selection
    EXPECT_FALSE(tab->getApplyButton()->IsEnabled());
    drag(view, {250, 150}, {-50, 500}); // beyond the picture: kept on it
    EXPECT_EQ(view->getSelection(), wxRect(0, 150, 250, 50));
    EXPECT_TRUE(tab->getApplyButton()->IsEnabled());
    pressButton(tab->getApplyButton());
    EXPECT_EQ(frame->getCurrentImage()->getWidth(), 250);
    EXPECT_EQ(frame->getCurrentImage()->getHeight(), 50);
    EXPECT_TRUE(view->getSelection().IsEmpty());
    EXPECT_TRUE(view->isSelectionMode());
    EXPECT_TRUE(frame->hasUnsavedChanges());
}

// The view draws the picture's drawable copy; the one made for the picture as loaded must not
// outlive a crop, or the window keeps showing the whole picture.
TEST_F(ImageFrameTest, TheViewDrawsTheCutPictureAfterEachCrop)
{
    ImageFrame* frame = ImageFrame::open(nullptr, uris({picture("a.png", 300, 200)}), 0, true);
    frame->getTabs()->SetSelection(ImageFrame::CROP);
    auto* tab = static_cast<CropTab*>(frame->getEditTab(ImageFrame::CROP));
    ImageView2* view = frame->getView();
    ASSERT_EQ(view->getImage()->getDrawable()->width, 300);

    // Around the corner of the red quarter (150, 100).
    drag(view, {100, 50}, {200, 150});
    ASSERT_EQ(view->getSelection(), wxRect(100, 50, 100, 100));
    pressButton(tab->getApplyButton());
    auto drawn = view->getImage()->getDrawable();
    EXPECT_EQ(drawn->width, 100);
    EXPECT_EQ(drawn->height, 100);
    auto redAt = [&drawn](int x, int y) {
        const size_t at = (size_t(y) * size_t(drawn->width) + size_t(x)) * 3;
        return drawn->rgb[at] > 150 && drawn->rgb[at + 1] < 100;
    };
    EXPECT_TRUE(redAt(0, 0));
    EXPECT_TRUE(redAt(49, 49));
    EXPECT_FALSE(redAt(50, 50));
    // Fitted and centred at its new size: the window's centre shows the cut's centre.
    const wxSize client = view->GetClientSize();
    ASSERT_GE(client.x, 100);
    ASSERT_GE(client.y, 100);
    const wxPoint centre = view->toPicture(wxPoint(client.x / 2, client.y / 2));
    EXPECT_NEAR(centre.x, 50, 1);
    EXPECT_NEAR(centre.y, 50, 1);

    // A second crop cuts the cut, on the same own copy.
    frame->crop(wxRect(0, 0, 40, 20));
    drawn = view->getImage()->getDrawable();
    EXPECT_EQ(drawn->width, 40);
    EXPECT_EQ(drawn->height, 20);
    EXPECT_TRUE(redAt(39, 19));
    const wxPoint middle = view->toPicture(wxPoint(client.x / 2, client.y / 2));
    EXPECT_NEAR(middle.x, 20, 1);
    EXPECT_NEAR(middle.y, 10, 1);
}

TEST_F(ImageFrameTest, BrightnessIsPreviewedOnTheViewAndAppliedOnce)
{
    ImageFrame* frame = ImageFrame::open(nullptr, uris({picture("a.png", 300, 200)}), 0, true);
    frame->getTabs()->SetSelection(ImageFrame::BRIGHTNESS_CONTRAST);
    auto* tab =
        static_cast<BrightnessContrastTab*>(frame->getEditTab(ImageFrame::BRIGHTNESS_CONTRAST));
    Ref<ImageData> before = frame->getCurrentImage();
    tab->getBrightness()->SetValue(50);
    wxCommandEvent moved(wxEVT_SLIDER);
    tab->getBrightness()->ProcessWindowEvent(moved);
    EXPECT_EQ(frame->getView()->getBrightness(), 50);
    EXPECT_EQ(frame->getCurrentImage(), before); // only a preview
    EXPECT_TRUE(tab->getApplyButton()->IsEnabled());

    pressButton(tab->getApplyButton());
    EXPECT_EQ(frame->getView()->getBrightness(), 0);
    EXPECT_EQ(tab->getBrightness()->GetValue(), 0);
    EXPECT_NE(frame->getCurrentImage(), before); // an own copy, changed
    EXPECT_EQ(frame->getCurrentImage()->getWidth(), 300);
    EXPECT_TRUE(frame->hasUnsavedChanges());
}

TEST_F(ImageFrameTest, UnsavedChangesAskBeforeAnotherPictureOrClosing)
{
    ImageFrame* frame = ImageFrame::open(
        nullptr, uris({picture("a.png", 300, 200), picture("b.png", 120, 90)}), 0, true);
    EXPECT_TRUE(frame->getNextButton()->IsEnabled());
    frame->crop(wxRect(0, 0, 100, 100));
    ASSERT_TRUE(frame->hasUnsavedChanges());
    {
        wxTEST_DIALOG(EXPECT_FALSE(frame->showNext()),
                      wxExpectModal<wxMessageDialog>(wxID_CANCEL)
                          .Describe("You have unsaved changes. Do you wish to forget these?"));
    }
    EXPECT_EQ(frame->getIndex(), 0u);
    {
        wxTEST_DIALOG(EXPECT_FALSE(frame->Close()), wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    }
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(frame));
    {
        wxTEST_DIALOG(EXPECT_FALSE(ImageFrame::confirmCloseAll()),
                      wxExpectModal<wxMessageDialog>(wxID_CANCEL));
    }
    {
        wxTEST_DIALOG(EXPECT_TRUE(frame->showNext()), wxExpectModal<wxMessageDialog>(wxID_OK));
    }
    EXPECT_EQ(frame->getIndex(), 1u);
    EXPECT_FALSE(frame->hasUnsavedChanges());
    EXPECT_TRUE(frame->isEditing());
    EXPECT_EQ(frame->getCurrentImage()->getWidth(), 120);
}

TEST_F(ImageFrameTest, SavePictureWritesTheFullSizeEditAfterConfirmation)
{
    const wxString path = picture("wide.png", 3000, 400);
    ImageFrame* frame = ImageFrame::open(nullptr, uris({path}), 0, true);
    frame->adjust(0, -100); // everything mid-grey
    {
        wxTEST_DIALOG(frame->savePicture(),
                      wxExpectModal<wxMessageDialog>(wxID_OK).Describe("Overwrite existing file?"));
    }
    EXPECT_FALSE(frame->hasUnsavedChanges());
    EXPECT_FALSE(frame->getStatusTab()->getSaveButton()->IsShown());
    wxImage saved(path); // a JPEG now, under the old name
    ASSERT_TRUE(saved.IsOk());
    EXPECT_EQ(saved.GetWidth(), 3000);
    EXPECT_NEAR(saved.GetRed(10, 10), 128, 3);
}

TEST_F(ImageFrameTest, WindowsLoadThroughTheLoaderSideBySideAndSeeSavedPictures)
{
    Brenmarle::ImageLoader loader;
    const wxString first = picture("first.png", 300, 200);
    const wxString second = picture("second.png", 200, 300);
    ImageFrame* one = ImageFrame::open(nullptr, uris({first}), 0, false);
    ImageFrame* two = ImageFrame::open(nullptr, uris({second}), 0, false);
    // Neither window's load takes the other's away.
    ASSERT_TRUE(waitUntil([&] {
        return one->getView()->getImage() && two->getView()->getImage() &&
               one->getView()->getImage()->getWidth() == 300 &&
               two->getView()->getImage()->getWidth() == 200;
    }));

    // Editing waits for the full-size picture without holding the window.
    ASSERT_TRUE(one->openEditing());
    ASSERT_TRUE(waitUntil([&] { return one->isEditing(); }));
    one->adjust(0, -100); // everything mid-grey
    {
        wxTEST_DIALOG(one->savePicture(), wxExpectModal<wxMessageDialog>(wxID_OK));
    }
    ASSERT_FALSE(one->hasUnsavedChanges());
    one->Close(true);
    wxTheApp->ProcessIdle();

    // Opened again, the window shows the saved pixels, not the copy loaded before the edit.
    ImageFrame* again = ImageFrame::open(nullptr, uris({first}), 0, false);
    ASSERT_TRUE(waitUntil([&] {
        const auto image = again->getView()->getImage();
        if (!image)
            return false;
        const auto drawable = image->getDrawable();
        return std::abs(int(drawable->rgb[0]) - 128) < 4;
    }));
}

TEST_F(ImageFrameTest, FullScreenPicturesArriveFromTheLoaderWithoutHoldingTheWindow)
{
    Brenmarle::ImageLoader loader;
    std::vector<Ref<Brenmarle::File>> files;
    for (const char* name : {"one.png", "two.png"})
        files.push_back(manager->getFile("file://" + picture(name, 400, 300)));
    auto* frame = new FullScreenFrame(nullptr, files, 0);
    ASSERT_TRUE(waitUntil([&] { return frame->isPictureShown(); }));
    frame->next();
    EXPECT_TRUE(waitUntil([&] { return frame->isPictureShown(); }));
    EXPECT_EQ(frame->getIndex(), 1u);
    frame->Destroy();
    wxTheApp->ProcessIdle();
}

TEST_F(ImageFrameTest, AReadOnlyPictureKeepsTheEditingControlsClosed)
{
    // Temporary files are nobody's originals: they cannot be saved over.
    auto temp = manager->getFolder("temp://");
    const wxString directory = static_cast<Brenmarle::TempFolder&>(*temp).getDirectory();
    wxCopyFile(picture("a.png", 30, 20), directory + "a.png");
    ImageFrame* frame = ImageFrame::open(nullptr, uris({"temp://a.png"}), 0, true);
    EXPECT_FALSE(frame->isEditing());
    EXPECT_FALSE(frame->getEditButton()->GetValue());
    EXPECT_FALSE(frame->openEditing());
    EXPECT_FALSE(frame->getTabs()->IsShown());
}
