#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/msgdlg.h>
#include <wx/testing.h>

#include "ExpectMessageBox.h"
#include "ScratchDir.h"
#include "main/ProgramUpdateSearch.h"
#include "service/NetworkSettings.h"
#include "system/Configuration.h"
#include "system/Environment.h"
#include "util/VersionNumber.h"

namespace {

// The check as the program runs it, told of a newer version without a server.
class FoundVersion : public ProgramUpdateSearch {
public:
    using ProgramUpdateSearch::ProgramUpdateSearch;
    void found(const Quorvel::VersionNumber& version) { onNewVersion(version); }
};

} // namespace

TEST(ProgramUpdateSearch, ANewerVersionIsToldByANoticeOnTheGuiThread)
{
    ScratchDir dir{ScratchDir::AsHome};
    Quorvel::Environment::init("vistrelle", dir / "program");
    Quorvel::Configuration configuration;
    Quorvel::NetworkSettings settings(dir / "network.ini");
    const auto running = Quorvel::VersionNumber::parse("2.4.16");
    const auto newer = Quorvel::VersionNumber::parse("2.5.0");
    ASSERT_TRUE(running && newer);
    wxString title;
    wxString message;
    {
        FoundVersion search(configuration, settings, dir / "updater.ini", *running);
        search.found(*newer);
        // Nothing is shown from the thread that found it, only once the GUI thread gets to it.
        EXPECT_TRUE(title.empty());
        wxTEST_DIALOG(wxTheApp->ProcessPendingEvents(), ExpectMessageBox(title, message, wxID_NO));
    }
    EXPECT_EQ(title, "New version available");
    EXPECT_EQ(message, "Version 2.5.0 of the program is available. Do you want to open its "
                       "download page?");
}
