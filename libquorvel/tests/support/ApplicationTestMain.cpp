// Test entry point for the framework's application object: the process's application is a real
// Quorvel::Application, started on the display (Xvfb) without running its main loop; a test
// runs the loop itself when it needs one. Logs to stderr only.
#include <gtest/gtest.h>

#include <wx/init.h>

#include "TestApplication.h"
#include "system/Log.h"
#include "system/ProcessLocale.h"

wxIMPLEMENT_APP_NO_MAIN(TestApplication);

int main(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    ::testing::InitGoogleTest(&argc, argv);
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
