#include "service/LocatorClient_1_0.h"

#include <wx/intl.h>

#include "SoapLocatorH.h"
#include "service/PortalId.h"
#include "service/SoapText.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

constexpr auto* text = &Quorvel::SoapText::fromWire;
constexpr auto* bytes = &Quorvel::SoapText::toWire;

} // namespace

LocatorClient_1_0::LocatorClient_1_0(Quorvel::NetworkSettings& settings)
    : GSoapClient("locator", SERVICE_PATH, settings)
{
}

LocatorClient_1_0::LocatorClient_1_0() : GSoapClient("locator", SERVICE_PATH) {}

LocatorClient_1_0::Listing LocatorClient_1_0::getDirectoryContents(const wxString& path,
                                                                   const wxString& language)
{
    // Redirects move the client; the next listing starts where the caller put it.
    const Quorvel::ServiceAddress start = getAddress();
    try {
        Listing listing = getDirectoryContents(path, language, wxString(), 0);
        setAddress(start);
        return listing;
    } catch (...) {
        if (!start.host.empty())
            setAddress(start);
        throw;
    }
}

LocatorClient_1_0::Listing LocatorClient_1_0::getDirectoryContents(const wxString& path,
                                                                   const wxString& language,
                                                                   const wxString& host, int level)
{
    if (level >= MAX_REDIRECTS)
        throw Quorvel::RuntimeException(
            wxString::Format(_("Too many redirects (%d)"), MAX_REDIRECTS));
    if (!host.empty())
        setAddress({host, REDIRECT_PORT, getAddress().user, getAddress().password});
    QDEBUG("[LOCATORCLIENT] getDirectoryContents ('%s', '%s') -> %s", path, language,
           getEndpoint());

    Listing listing;
    wxString redirectPath;
    wxString redirectHost;
    {
        Call call(*this, "getDirectoryContents");
        SoapLocator::locator__getDirectoryContentsResponse reply;
        call.check(SoapLocator::soap_call_locator__getDirectoryContents(
            call.context(), call.endpoint(), "", bytes(path), bytes(language), reply));
        if (reply.redirect) {
            redirectPath = text(reply.redirect->path);
            redirectHost = text(reply.redirect->host);
            QDEBUG("[LOCATORCLIENT] REDIRECT %s to %s", redirectPath, redirectHost);
        } else {
            listing.description = text(reply.description);
            for (int i = 0; reply.directories && i < reply.directories->__size; ++i) {
                const auto& entry = reply.directories->__ptr[i];
                listing.directories.push_back({text(entry.path), text(entry.name)});
                QDEBUG("[LOCATORCLIENT] %s [%s]", listing.directories.back().name,
                       listing.directories.back().path);
            }
            for (int i = 0; reply.portals && i < reply.portals->__size; ++i) {
                const auto& entry = reply.portals->__ptr[i];
                // A portal's id becomes a host name and a folder name; one that can be
                // neither cannot be chosen.
                if (!PortalId::isValid(text(entry.path))) {
                    QDEBUG("[LOCATORCLIENT] Skipping portal with invalid id [%s]",
                           Quorvel::WebAddress::printable(text(entry.path).Left(80)));
                    continue;
                }
                listing.portals.push_back(
                    {text(entry.path), text(entry.name), text(entry.location)});
                QDEBUG("[LOCATORCLIENT] %s [%s]", listing.portals.back().name,
                       listing.portals.back().path);
            }
            return listing;
        }
    }
    if (redirectPath.empty())
        throw Quorvel::RuntimeException(_("Got invalid redirect from server"));
    // An empty host stays on the server that answered.
    return getDirectoryContents(redirectPath, language, redirectHost, level + 1);
}

} // namespace Brenmarle
