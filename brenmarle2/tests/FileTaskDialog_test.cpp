#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/button.h>

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

// The texts, the gauge and what Stop and Close do in a task's course (Close of a failure
// included) are checked with the runner; these are the dialog's own rules.
TEST_F(FileTaskDialogTest, AFileNameIsNoMnemonicAndStopActsOnlyOnce)
{
    dialog->showProgress("Tom & Jerry.jpg", 0, 0);
    EXPECT_EQ(dialog->getText(), "    Tom & Jerry.jpg");
    pressButton(dialog->getButton());
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_TRUE(dialog->isStopping());
    // Closing it again (the window manager, Escape) changes nothing.
    dialog->Close();
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(wxTheApp->IsScheduledForDestruction(dialog));
}
