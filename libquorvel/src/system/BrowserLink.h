#pragma once
// Opens a web page in the user's browser through the desktop's "xdg-open", for links the
// services hand out (a provider's web site, its password reminder, the download page of a new
// version). Only http and https addresses of a valid host are opened; the address goes to
// xdg-open as one argument, never through a shell. Nothing is downloaded or run here.
//
// GUI thread (open() starts the child without waiting for it).

#include <wx/string.h>

namespace Quorvel {

class BrowserLink {
public:
    static constexpr const char* OPENER = "xdg-open";

    static bool isOpenable(const wxString& url);
    // False when the address is not openable or the opener could not be started.
    static bool open(const wxString& url);
};

} // namespace Quorvel
