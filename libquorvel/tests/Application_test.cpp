#include <gtest/gtest.h>

#include <csignal>
#include <functional>

#include <wx/dialog.h>
#include <wx/frame.h>
#include <wx/menu.h>
#include <wx/timer.h>

#include "TestApplication.h"
#include "system/OrderlyExit.h"
#include "ui/NestedLoops.h"

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

namespace {

// A shown main window, with termination signals handled.
wxFrame* showMainWindow(TestApplication& app, const wxSize& size = wxDefaultSize)
{
    app.installTerminationHandlers();
    auto* frame = new wxFrame(nullptr, wxID_ANY, "Main", wxDefaultPosition, size);
    frame->Show();
    app.setMainWindow(frame);
    return frame;
}

// Runs the main loop until it ends by itself; false when `limitMs` passed first (it is then
// ended by force, so a broken test fails instead of hanging).
bool runUntilTheLoopEnds(TestApplication& app, int limitMs = 5000)
{
    bool timedOut = false;
    wxTimer limit;
    limit.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
        timedOut = true;
        Quorvel::OrderlyExit::get()->endModalDialogs();
        app.ExitMainLoop();
    });
    limit.StartOnce(limitMs);
    app.OnRun();
    return !timedOut;
}

// A real termination signal, a moment after the loop (or a nested one) runs.
void signalSoon(wxTimer& timer, std::function<void()> before = {})
{
    timer.Bind(wxEVT_TIMER, [before](wxTimerEvent&) {
        if (before)
            before();
        std::raise(SIGTERM);
    });
    timer.StartOnce(100);
}

} // namespace

TEST(Application, TerminationClosesWindowsWithoutParentAndShowsNoNewDialog)
{
    TestApplication& app = wxGetApp();
    wxFrame* frame = showMainWindow(app);
    // A picture window opened from a file manager: no parent.
    wxWeakRef<wxFrame> picture(new wxFrame(nullptr, wxID_ANY, "Picture"));
    picture->Show();
    // An error box arriving while the main window closes.
    int answer = 0;
    bool shown = false;
    frame->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent& event) {
        wxDialog box(frame, wxID_ANY, "Error");
        box.Bind(wxEVT_SHOW, [&](wxShowEvent&) {
            shown = true;
            box.CallAfter([&] { box.EndModal(wxID_OK); });
        });
        answer = box.ShowModal();
        event.Skip();
    });
    wxTimer signal;
    signalSoon(signal);
    EXPECT_TRUE(runUntilTheLoopEnds(app));
    app.ProcessIdle();
    EXPECT_FALSE(picture);
    EXPECT_EQ(app.getMainWindow(), nullptr);
    EXPECT_FALSE(shown);
    EXPECT_EQ(answer, wxID_CANCEL);
}

TEST(Application, TerminationEndsAPopUpMenuAndAWaitBeforeTheirWindowCloses)
{
    TestApplication& app = wxGetApp();
    wxFrame* frame = showMainWindow(app);
    bool inMenu = false;
    bool windowAfterMenu = false;
    Quorvel::NestedLoops::WaitResult waited = Quorvel::NestedLoops::WaitResult::DONE;
    bool windowAfterWait = false;
    wxTimer signal;
    frame->CallAfter([&] {
        // A wait (for a plug-in, say) inside a handler of the window.
        signalSoon(signal);
        waited = Quorvel::NestedLoops::waitUntil([] { return false; });
        windowAfterWait = app.getMainWindow() == frame;
        // Begun after the signal: a menu is not even shown.
        wxMenu menu;
        menu.Append(wxID_ABOUT, "About");
        inMenu = true;
        EXPECT_FALSE(Quorvel::NestedLoops::popupMenu(*frame, menu));
        inMenu = false;
        windowAfterMenu = app.getMainWindow() == frame;
    });
    EXPECT_TRUE(runUntilTheLoopEnds(app));
    EXPECT_EQ(waited, Quorvel::NestedLoops::WaitResult::ENDED);
    EXPECT_TRUE(windowAfterWait);
    EXPECT_TRUE(windowAfterMenu);
    EXPECT_FALSE(inMenu);
    EXPECT_EQ(app.getMainWindow(), nullptr);
}

TEST(Application, TerminationDismissesAnOpenPopUpMenuFirst)
{
    TestApplication& app = wxGetApp();
    wxFrame* frame = showMainWindow(app, wxSize(300, 200));
    bool menuReturned = false;
    bool signalledInMenu = false;
    bool windowAfterMenu = false;
    wxTimer signal;
    frame->CallAfter([&] {
        wxMenu menu;
        menu.Append(wxID_ABOUT, "About");
        signalSoon(signal, [&] { signalledInMenu = !menuReturned; });
        Quorvel::NestedLoops::popupMenu(*frame, menu, wxPoint(10, 10));
        menuReturned = true;
        windowAfterMenu = app.getMainWindow() == frame;
    });
    EXPECT_TRUE(runUntilTheLoopEnds(app));
    EXPECT_TRUE(menuReturned);
    EXPECT_TRUE(windowAfterMenu);
    if (!signalledInMenu)
        GTEST_SKIP() << "the display showed no pop-up menu";
}
