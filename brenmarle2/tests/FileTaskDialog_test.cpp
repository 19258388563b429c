#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/gauge.h>

#include "PressButton.h"
#include "dialogs/FileTaskDialog.h"

namespace {

class FileTaskDialogTest : public ::testing::Test {
protected:
    FileTaskDialogTest() : dialog(new FileTaskDialog(nullptr, "Copying Files"))
    {
        dialog->setStopHandler([this] { ++stops; });
        dialog->Show();
    }
    ~FileTaskDialogTest() override
    {
        if (!wxTheApp->IsScheduledForDestruction(dialog))
            dialog->Destroy();
        wxTheApp->ProcessIdle();
    }

    FileTaskDialog* dialog;
    int stops = 0;
};

} // namespace

TEST_F(FileTaskDialogTest, ProgressStandsIndentedUnderTheHeadingWithTheGauge)
{
    EXPECT_EQ(dialog->getHeading(), "Current Operation:");
    EXPECT_EQ(dialog->getButton()->GetLabel(), "Stop");
    dialog->showProgress("Copying picture 2 of 5", 1, 5);
    EXPECT_EQ(dialog->getText(), "    Copying picture 2 of 5");
    EXPECT_EQ(dialog->getGauge()->GetRange(), 5);
    EXPECT_EQ(dialog->getGauge()->GetValue(), 1);
    // A file name is text, never a mnemonic.
    dialog->showProgress("Tom & Jerry.jpg", 0, 0);
    EXPECT_EQ(dialog->getText(), "    Tom & Jerry.jpg");
}

TEST_F(FileTaskDialogTest, StopHidesTheWindowAndStopsOnlyOnce)
{
    pressButton(dialog->getButton());
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_TRUE(dialog->isStopping());
    EXPECT_EQ(dialog->getText(), "    Stopping...");
    EXPECT_FALSE(dialog->getButton()->IsEnabled());
    // Closing it again (the window manager, Escape) changes nothing.
    dialog->Close();
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(dialog));
}

TEST_F(FileTaskDialogTest, CloseOfAFailureDestroysTheWindowWithoutStopping)
{
    dialog->showFailure("Disk full");
    EXPECT_EQ(dialog->getHeading(), "File operation failed");
    EXPECT_EQ(dialog->getText(), "    Disk full");
    EXPECT_EQ(dialog->getButton()->GetLabel(), "Close");
    EXPECT_TRUE(dialog->getButton()->IsEnabled());
    pressButton(dialog->getButton());
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_TRUE(wxTheApp->IsScheduledForDestruction(dialog));
    EXPECT_EQ(stops, 0);
}
