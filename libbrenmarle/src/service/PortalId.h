#pragma once
// The id of a provider's portal. It comes from the service (the locator's listing) and becomes
// both part of a host name ("<id>.portal.<operator's domain>") and the name of the portal's
// folder under the user data directory ("portals/<id>"), so only a single DNS label is taken:
// letters, digits and inner hyphens, at most 63 characters. "../x", "a.b" or "a/b" never name
// a host or a folder.
//
// Pure functions; any thread.

#include <wx/string.h>

namespace Brenmarle {

class PortalId {
public:
    static constexpr size_t MAX_LENGTH = 63;
    // Between the portal id and the operator's domain in the portal's host name.
    static constexpr const char* HOST_INFIX = ".portal.";

    static bool isValid(const wxString& id);
    // Throws Quorvel::ResponseException "Server.InvalidPortal" unless `id` is valid.
    static void check(const wxString& id);
    // The portal's host: the id, HOST_INFIX and the operator's domain. Throws as check().
    static wxString hostOf(const wxString& id);
};

} // namespace Brenmarle
