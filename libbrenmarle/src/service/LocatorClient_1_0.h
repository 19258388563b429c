#pragma once
// Client of the locator service: the directory of service providers, a tree of folders whose
// leaves are portals. A locator server may send the client on to another one (a redirect); the
// host it names is checked before an address is made of it, and after MAX_REDIRECTS the
// listing fails with "Too many redirects (5)". Portals whose id is no single DNS label
// (PortalId) are left out of a listing: they could be neither reached nor stored.
//
// Threads: one thread at a time (a slave's), except interrupt() (GSoapClient).

#include <vector>

#include <wx/string.h>

#include "service/GSoapClient.h"

namespace Brenmarle {

class LocatorClient_1_0 : public Quorvel::GSoapClient {
public:
    static constexpr int MAX_REDIRECTS = 5;
    static constexpr const char* SERVICE_PATH = "/service/locator/1.0/";
    // A redirect's host is reached on this port (or the port override).
    static constexpr int REDIRECT_PORT = 80;

    struct Directory {
        wxString path;
        wxString name;
    };
    struct Portal {
        // The portal's id.
        wxString path;
        wxString name;
        wxString location;
    };
    struct Listing {
        wxString description;
        std::vector<Directory> directories;
        std::vector<Portal> portals;
    };

    explicit LocatorClient_1_0(Quorvel::NetworkSettings& settings);
    LocatorClient_1_0();

    // The contents of the folder at `path`, in `language`, following redirects. The client's
    // address is the same afterwards. Throws SoapException for a failed call, RuntimeException
    // "Too many redirects (5)" and "Got invalid redirect from server", ResponseException
    // "Server.InvalidAddress" for a redirect to something that is not a host name.
    Listing getDirectoryContents(const wxString& path, const wxString& language);

private:
    Listing getDirectoryContents(const wxString& path, const wxString& language,
                                 const wxString& host, int level);
};

} // namespace Brenmarle
