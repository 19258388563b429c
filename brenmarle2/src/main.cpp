// The program's entry point. A second start of the program re-executes itself in a helper mode
// to hand its command to the running instance (see InstanceHandOver); everything else runs
// through the toolkit.

#include <csignal>
#include <cstdlib>

#include "main/BrenmarleApp.h"
#include "main/InstanceHandOver.h"

wxIMPLEMENT_APP_NO_MAIN(BrenmarleApp);

int main(int argc, char** argv)
{
    // A peer that closes its end must give a write error, not end the process: the HTTP and
    // SOAP clients write to sockets from task threads.
    std::signal(SIGPIPE, SIG_IGN);
    if (std::getenv(InstanceHandOver::HELPER_VARIABLE))
        return InstanceHandOver::runHelper(argc, argv);
    const int result = wxEntry(argc, argv);
    return Quorvel::Application::getExitStatus().value_or(result);
}
