#pragma once
// The user's safe storage as the dialogs and commands reach it: the account the pictures are
// stored under and a storage client on the account's portal. GUI thread.

#include <wx/string.h>

#include "service/StorageClient_3_0.h"
#include "threads/ReferenceCounted.h"

namespace Quorvel {
class Configuration;
class NetworkSettings;
} // namespace Quorvel

namespace Brenmarle {
class File;
}

class SafeStorageAccount {
public:
    // The account id, empty without an account.
    static wxString accountId(Quorvel::Configuration& configuration);
    // A client without a session yet; throws as AccountSettings::portalAddress.
    static Quorvel::Ref<Brenmarle::StorageClient_3_0>
    makeClient(Quorvel::Configuration& configuration, Quorvel::NetworkSettings& settings);
    // Sets the picture's safe storage type and account (type 0: out of safe storage, no
    // account) with revision 0, so the next synchronisation sends it or forgets it; the row is
    // saved and listeners told. Throws what saving throws.
    static void setStatus(Brenmarle::File& file, int32_t type, const wxString& accountId);
};
