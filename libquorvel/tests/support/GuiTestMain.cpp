// Test entry point for windows: starts a real application object on the display (Xvfb in
// `make test`) without running its main loop, logs to stderr only and never shows an assertion
// or log dialog that could block the run.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/init.h>

#include "system/Log.h"
#include "system/ProcessLocale.h"

namespace {
class TestApp : public wxApp {
public:
    bool OnInit() override { return true; }
};
} // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests (done by the build, which may have no display) needs no toolkit.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    if (!wxEntryStart(argc, argv) || !wxTheApp->CallOnInit()) {
        std::fprintf(stderr, "could not start the toolkit (no display?)\n");
        return 2;
    }
    Quorvel::logOnlyToStderr();
    Quorvel::enableTraceMasksFromEnvironment();
    const int result = RUN_ALL_TESTS();
    wxTheApp->OnExit();
    wxEntryCleanup();
    return result;
}
