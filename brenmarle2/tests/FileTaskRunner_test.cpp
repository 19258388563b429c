#include <wx/app.h>
#include <wx/button.h>
#include <wx/filefn.h>
#include <wx/frame.h>
#include <wx/gauge.h>

#include "HeldCopyTask.h"
#include "PhotoLibraryTest.h"
#include "PressButton.h"
#include "WaitUntil.h"
#include "dialogs/FileTaskRunner.h"
#include "filetasks/FileCopyTask.h"

using namespace Brenmarle;
using Quorvel::Ref;
using State = FileTaskRunner::State;

namespace {

const int LONG_DELAY_MS = 60 * 1000;

// Progress windows the user can see now.
int shownDialogs()
{
    int shown = 0;
    for (wxWindow* window : wxTopLevelWindows)
        shown += dynamic_cast<FileTaskDialog*>(window) && window->IsShown();
    return shown;
}

// The runner's delay ending, whether or not its own timer is still running.
void tick(FileTaskRunner& runner)
{
    wxTimer standIn;
    wxTimerEvent elapsed(standIn);
    runner.ProcessEvent(elapsed);
}

bool waitForEnd(const FileTaskRunner& runner)
{
    return waitUntil([&runner] { return runner.getState() != State::Running; });
}

class FileTaskRunnerTest : public PhotoLibraryTest {
protected:
    // Windows destroyed by a test go before the next one starts.
    ~FileTaskRunnerTest() override
    {
        waitUntil([] { return true; });
    }

    Ref<AlbumFolder> album = makeAlbum("Holiday");
};

} // namespace

TEST_F(FileTaskRunnerTest, ACopyThatEndsBeforeTheDelayNeverShowsAWindow)
{
    FileTaskRunner runner(std::make_unique<FileCopyTask>(computerPictures(3), album),
                          LONG_DELAY_MS);
    EXPECT_EQ(runner.getOperation(), FileTaskRunner::Operation::Copy);
    EXPECT_EQ(shownDialogs(), 0);
    ASSERT_TRUE(waitForEnd(runner));

    EXPECT_EQ(runner.getState(), State::Succeeded);
    EXPECT_EQ(album->getFileCount(), 3);
    EXPECT_FALSE(runner.isDelayRunning());
    tick(runner);
    EXPECT_EQ(runner.getDialog(), nullptr);
    EXPECT_EQ(shownDialogs(), 0);
}

TEST_F(FileTaskRunnerTest, TheWindowOpensWhenTheDelayEndsWhileTheTaskRuns)
{
    auto hold = std::make_shared<HeldCopyTask::Hold>();
    FileTaskRunner runner(std::make_unique<HeldCopyTask>(computerPictures(2), album, 1, hold), 20);
    ASSERT_TRUE(hold->waitForArrivals());
    ASSERT_TRUE(waitUntil([&runner] {
        return runner.getDialog() && runner.getDialog()->getText() == "    Copying picture 1 of 2";
    }));

    FileTaskDialog* dialog = runner.getDialog();
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_EQ(dialog->GetTitle(), "Copying Files");
    EXPECT_EQ(dialog->getHeading(), "Current Operation:");
    EXPECT_EQ(dialog->getButton()->GetLabel(), "Stop");
    EXPECT_TRUE(dialog->getButton()->IsEnabled());

    hold->open();
    ASSERT_TRUE(waitForEnd(runner));
    EXPECT_EQ(runner.getState(), State::Succeeded);
    EXPECT_EQ(shownDialogs(), 0);
    EXPECT_EQ(album->getFileCount(), 2);
}

TEST_F(FileTaskRunnerTest, AFailureBeforeTheDelayOpensTheWindowWithTheReasonAndClose)
{
    FileTask::Files pictures = computerPictures(2);
    const wxString gone = manager->getLocalPath(*pictures[1]);
    wxRemoveFile(gone);
    FileTaskRunner runner(std::make_unique<FileCopyTask>(pictures, album), LONG_DELAY_MS);
    ASSERT_TRUE(waitForEnd(runner));

    EXPECT_EQ(runner.getState(), State::Failed);
    FileTaskDialog* dialog = runner.getDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->IsShown());
    EXPECT_EQ(dialog->getHeading(), "File operation failed");
    EXPECT_EQ(dialog->getText(), "    Could not open file " + gone + " for reading");
    EXPECT_EQ(dialog->getButton()->GetLabel(), "Close");
    EXPECT_TRUE(dialog->getButton()->IsEnabled());
    EXPECT_EQ(album->getFileCount(), 1);

    pressButton(dialog->getButton());
    EXPECT_EQ(shownDialogs(), 0);
    EXPECT_TRUE(waitUntil([&runner] { return runner.getDialog() == nullptr; }));
}

TEST_F(FileTaskRunnerTest, StopDuringTheSecondOfFiveFilesEndsTheTaskQuietlyBeforeTheThird)
{
    auto hold = std::make_shared<HeldCopyTask::Hold>();
    FileTaskRunner runner(std::make_unique<HeldCopyTask>(computerPictures(5), album, 2, hold), 0);
    FileTaskDialog* dialog = runner.getDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->IsShown());
    ASSERT_TRUE(waitUntil(
        [&] { return hold->arrivals() > 0 && dialog->getText() == "    Copying picture 2 of 5"; }));
    EXPECT_EQ(dialog->getGauge()->GetValue(), 1);
    EXPECT_EQ(dialog->getGauge()->GetRange(), 5);

    pressButton(dialog->getButton());
    EXPECT_FALSE(dialog->IsShown());
    EXPECT_EQ(dialog->getText(), "    Stopping...");
    EXPECT_FALSE(dialog->getButton()->IsEnabled());
    ASSERT_TRUE(waitForEnd(runner));

    EXPECT_EQ(runner.getState(), State::Failed);
    EXPECT_EQ(runner.getFailureText(), "Aborted by user");
    EXPECT_EQ(album->getFileCount(), 2);
    tick(runner);
    EXPECT_EQ(shownDialogs(), 0);
}

TEST_F(FileTaskRunnerTest, AWindowGoneWithItsParentGetsNoMoreProgress)
{
    auto hold = std::make_shared<HeldCopyTask::Hold>();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Main window");
    FileTaskRunner runner(std::make_unique<HeldCopyTask>(computerPictures(3), album, 1, hold), 0,
                          frame);
    ASSERT_NE(runner.getDialog(), nullptr);
    ASSERT_TRUE(hold->waitForArrivals());
    frame->Destroy();
    ASSERT_TRUE(waitUntil([&runner] { return runner.getDialog() == nullptr; }));

    hold->open();
    ASSERT_TRUE(waitForEnd(runner));
    EXPECT_EQ(runner.getState(), State::Succeeded);
    EXPECT_EQ(album->getFileCount(), 3);
}

TEST_F(FileTaskRunnerTest, DestroyingTheRunnerStopsTheTaskAfterTheFileInHand)
{
    auto hold = std::make_shared<HeldCopyTask::Hold>();
    int finished = 0;
    auto runner = std::make_unique<FileTaskRunner>(
        std::make_unique<HeldCopyTask>(computerPictures(3), album, 1, hold), 0);
    runner->setFinishedHandler([&finished](FileTaskRunner&) { ++finished; });
    ASSERT_TRUE(hold->waitForArrivals());
    runner.reset();
    waitUntil([] { return true; });

    EXPECT_EQ(album->getFileCount(), 1);
    EXPECT_EQ(finished, 0);
    EXPECT_EQ(shownDialogs(), 0);
}

TEST_F(FileTaskRunnerTest, TheFinishedHandlerMayDestroyTheRunner)
{
    auto runner = std::make_unique<FileTaskRunner>(
        std::make_unique<FileCopyTask>(computerPictures(1), album), 0);
    runner->setFinishedHandler([&runner](FileTaskRunner&) { runner.reset(); });
    ASSERT_TRUE(waitUntil([&runner] { return runner == nullptr; }));
    EXPECT_EQ(album->getFileCount(), 1);
    EXPECT_EQ(shownDialogs(), 0);
}
