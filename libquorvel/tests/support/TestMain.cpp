// Test entry point for code that runs without a display: initialises wxBase, sends all log
// output to stderr (never a dialog) and honours WXTRACE.
#include <gtest/gtest.h>

#include <wx/init.h>

#include "system/Log.h"
#include "system/ProcessLocale.h"

int main(int argc, char** argv)
{
    Quorvel::setUpProcessLocale();
    ::testing::InitGoogleTest(&argc, argv);
    wxInitializer initializer(argc, argv);
    if (!initializer.IsOk()) {
        std::fprintf(stderr, "could not initialise wxWidgets\n");
        return 2;
    }
    Quorvel::logOnlyToStderr();
    Quorvel::enableTraceMasksFromEnvironment();
    return RUN_ALL_TESTS();
}
