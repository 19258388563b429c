#include "folders/InboxFolder.h"

#include <set>

#include <wx/intl.h>

#include "core/LibraryLock.h"
#include "database/Database.h"

namespace Brenmarle {

InboxFolder::InboxFolder()
{
    LibraryLock lock;
    std::vector<wxString> uris;
    std::set<wxString> set;
    Database::getInstance().getFileUris(URI, uris, set);
    setFileUris(std::move(uris), std::move(set));
}

wxString InboxFolder::getName() const { return _("Picture Inbox"); }

} // namespace Brenmarle
