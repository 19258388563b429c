#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/textctrl.h>

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

TEST_F(FileTaskDialogTest, ALongFailureReasonIsShownWholeWithItsParagraphs)
{
    dialog->showFailure("Actual local file size (10) does match file size in database (12).\n\n"
                        "You should run the self-repair function from the help menu!");
    const wxString shown =
        "    Actual local file size (10) does match file size in database (12).\n"
        "    \n"
        "    You should run the self-repair function from the help menu!";
    EXPECT_EQ(dialog->getText(), shown);
    // Not one line cut in the middle: a box that wraps and scrolls, tall enough for the three.
    wxTextCtrl* box = nullptr;
    for (wxWindow* child : dialog->GetChildren()) {
        if (auto* text = dynamic_cast<wxTextCtrl*>(child); text && text->IsShown())
            box = text;
    }
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(box->IsMultiLine());
    EXPECT_FALSE(box->IsEditable());
    EXPECT_EQ(box->GetValue(), shown);
    EXPECT_GE(box->GetClientSize().GetHeight(), 3 * box->GetCharHeight());
}
