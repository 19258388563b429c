// The program's entry point. A second start of the program re-executes itself in a helper mode
// to hand its command to the running instance (see InstanceHandOver), and "--help" and
// "--version" are answered at once; everything else runs through the toolkit.

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "main/BrenmarleApp.h"
#include "main/CommandLine.h"
#include "main/InstanceHandOver.h"

wxIMPLEMENT_APP_NO_MAIN(BrenmarleApp);

int main(int argc, char** argv)
{
    // A peer that closes its end must give a write error, not end the process: the HTTP and
    // SOAP clients write to sockets from task threads.
    std::signal(SIGPIPE, SIG_IGN);
    if (std::getenv(InstanceHandOver::HELPER_VARIABLE))
        return InstanceHandOver::runHelper(argc, argv);
    // Before the toolkit, which needs a display, and before the single-instance check, which
    // would hand the question to a running instance.
    if (argc > 1) {
        const wxString information = CommandLine::informationFor(wxString::FromUTF8(argv[1]));
        if (!information.empty()) {
            std::fputs(information.utf8_str(), stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
    }
    BrenmarleApp::skipToolkitGl();
    const int result = wxEntry(argc, argv);
    return Quorvel::Application::getExitStatus().value_or(result);
}
