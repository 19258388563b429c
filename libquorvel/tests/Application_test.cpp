#include <gtest/gtest.h>

#include <csignal>

#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/timer.h>

#include "TestApplication.h"

TEST(Application, MainWindowIsForgottenWhenItIsDestroyed)
{
    TestApplication& app = wxGetApp();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Main");
    app.setMainWindow(frame);
    EXPECT_EQ(app.getMainWindow(), frame);
    frame->Destroy();
    app.ProcessIdle(); // deletes it
    EXPECT_EQ(app.getMainWindow(), nullptr);
}

TEST(Application, TerminationSignalEndsAModalDialogBeforeTheMainWindowCloses)
{
    TestApplication& app = wxGetApp();
    app.installTerminationHandlers();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Main");
    frame->Show();
    app.setMainWindow(frame);
    int answer = 0;
    bool mainWindowAfterDialog = false;
    frame->CallAfter([&] {
        // Like a preferences dialog: it lives on this stack, a child of the main window.
        wxDialog dialog(frame, wxID_ANY, "Preferences");
        dialog.CallAfter([] { std::raise(SIGTERM); });
        answer = dialog.ShowModal();
        mainWindowAfterDialog = app.getMainWindow() == frame;
    });
    wxTimer limit;
    limit.Bind(wxEVT_TIMER, [&](wxTimerEvent&) { app.ExitMainLoop(); });
    limit.StartOnce(20000);
    app.OnRun(); // ends when the main window, the last one, is gone
    EXPECT_EQ(answer, wxID_CANCEL);
    EXPECT_TRUE(mainWindowAfterDialog);
    EXPECT_EQ(app.getMainWindow(), nullptr);
    EXPECT_TRUE(app.isTerminationRequested());
}

TEST(Application, SignalBeforeTheMainLoopRunsIsOnlyRecorded)
{
    TestApplication& app = wxGetApp();
    app.installTerminationHandlers();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Main");
    app.setMainWindow(frame);
    std::raise(SIGTERM);
    EXPECT_TRUE(app.isTerminationRequested());
    app.ProcessIdle();
    EXPECT_EQ(app.getMainWindow(), frame);
    frame->Destroy();
    app.ProcessIdle();
}
