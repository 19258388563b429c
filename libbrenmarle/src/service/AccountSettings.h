#pragma once
// The user's account with a service provider as the user configuration keeps it: the account
// id, e-mail address, password (scrambled), and the portal's id and name. What was fetched from
// one provider (its price list and the time of it, its news and the news keys, its template
// list with its time and address) belongs to that provider: storing an account on another
// portal, or logging out, drops it.
//
// Threads: any; each operation holds the application's configuration lock for its sequence.

#include <wx/string.h>

#include "service/ServiceAddress.h"

namespace Quorvel {
class Configuration;
}

namespace Brenmarle {

class AccountSettings {
public:
    struct Account {
        wxString accountId;
        wxString emailAddress;
        wxString password;
        wxString portalId;
        wxString portalName;
        // An account id on a portal whose id can name a host and a folder.
        bool exists() const;
    };

    static Account read(Quorvel::Configuration& configuration);
    // Stores a created or validated account and flushes the user configuration. The content
    // of the portal stored before goes when `account` is on another portal.
    static void store(Quorvel::Configuration& configuration, const Account& account);
    // Removes the account keys and the provider's content, and flushes.
    static void logOut(Quorvel::Configuration& configuration);

    // The portal's endpoint for `account`: its host (PortalId::hostOf), the port
    // "internet/webserviceport" of the global configuration (80 when absent), the account id
    // and password as credentials. Throws ResponseException "Server.InvalidPortal" for a
    // portal id that is no DNS label.
    static Quorvel::ServiceAddress portalAddress(Quorvel::Configuration& configuration,
                                                 const Account& account);
    // The user data directory's "portals/<id>/". Throws as portalAddress().
    static wxString portalFolder(const wxString& portalId);

private:
    static void dropProviderContent(Quorvel::Configuration& configuration,
                                    const wxString& portalId);
};

} // namespace Brenmarle
