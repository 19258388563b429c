#include "service/PortalId.h"

#include <wx/intl.h>

#include "service/SoapNamespaces.h"
#include "service/WebAddress.h"
#include "system/Exceptions.h"

namespace Brenmarle {

namespace {

bool isLetterOrDigit(wxUniChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

} // namespace

bool PortalId::isValid(const wxString& id)
{
    if (id.empty() || id.length() > MAX_LENGTH)
        return false;
    for (size_t i = 0; i < id.length(); ++i) {
        const wxUniChar c = id[i];
        const bool inner = i > 0 && i + 1 < id.length();
        if (!isLetterOrDigit(c) && !(c == '-' && inner))
            return false;
    }
    return true;
}

void PortalId::check(const wxString& id)
{
    if (!isValid(id))
        throw Quorvel::ResponseException(
            wxS("Server.InvalidPortal"),
            wxString::Format(_("The server named an invalid service provider: %s"),
                             Quorvel::WebAddress::printable(id.Left(MAX_LENGTH + 1))));
}

wxString PortalId::hostOf(const wxString& id)
{
    check(id);
    return id + HOST_INFIX + Quorvel::SoapNamespaces::getServiceDomain();
}

} // namespace Brenmarle
