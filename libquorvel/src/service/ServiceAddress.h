#pragma once
// The endpoint record of a web service, a plain value every service client copies: where the
// service runs and the HTTP Basic credentials sent with every call (the account's, or a
// session's once the service opened one).

#include <wx/string.h>

namespace Quorvel {

struct ServiceAddress {
    wxString host;
    int port = 80;
    wxString user;
    wxString password;
};

} // namespace Quorvel
