#include <gtest/gtest.h>

#include <sys/wait.h>

#include <wx/app.h>
#include <wx/button.h>
#include <wx/weakref.h>

#include "PressButton.h"
#include "ScratchDir.h"
#include "WaitUntil.h"
#include "plugins/PluginProcess.h"
#include "plugins/PluginRunningDialog.h"
#include "plugins/PluginSplash.h"
#include "ui/Accessibility.h"

TEST(PluginRunningDialog, StopEndsThePluginAndThePanelClosesWithIt)
{
    std::shared_ptr<PluginProcess> process = PluginProcess::start({"sleep", "600"}, {}, "");
    PluginRunningDialog dialog(nullptr, "Plugin", *process);
    // Closing the panel while the plug-in runs is refused.
    EXPECT_FALSE(dialog.Close());
    std::vector<wxString> unnamed{"not looked at"};
    wxTheApp->CallAfter([&] {
        unnamed = Quorvel::findUnnamedControls(dialog);
        pressButton(dialog.getStopButton());
    });
    EXPECT_EQ(wxID_OK, dialog.ShowModal());
    ASSERT_FALSE(process->isRunning());
    EXPECT_TRUE(WIFSIGNALED(process->getStatus()));
    EXPECT_EQ(SIGTERM, WTERMSIG(process->getStatus()));
    EXPECT_TRUE(unnamed.empty()) << unnamed.front();
}

TEST(PluginSplash, ClosesWhenThePluginCreatesItsFile)
{
    ScratchDir dir;
    wxBitmap background(64, 48);
    wxWeakRef<wxWindow> splash =
        new PluginSplash(background, wxBitmap(), "Maker", "Title", dir / "closesplash_x", 600000);
    splash->Show();
    dir.writeFile("closesplash_x", "");
    EXPECT_TRUE(waitUntil([&] { return !splash; }));

    EXPECT_TRUE(PluginSplash::shouldClose(dir / "missing", 20000, 20000));
    EXPECT_FALSE(PluginSplash::shouldClose(dir / "missing", 19999, 20000));
}
