// The program's entry point. A second start of the program re-executes itself in a helper mode
// to hand its command to the running instance (see InstanceHandOver); everything else runs
// through the toolkit.

#include <cstdlib>

#include "main/BrenmarleApp.h"
#include "main/InstanceHandOver.h"

wxIMPLEMENT_APP_NO_MAIN(BrenmarleApp);

int main(int argc, char** argv)
{
    if (std::getenv(InstanceHandOver::HELPER_VARIABLE))
        return InstanceHandOver::runHelper(argc, argv);
    const int result = wxEntry(argc, argv);
    return Quorvel::Application::getExitStatus().value_or(result);
}
