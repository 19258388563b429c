#include "folders/InboxFolder.h"

#include <wx/intl.h>

#include "core/LibraryLock.h"
#include "database/Database.h"

namespace Brenmarle {

InboxFolder::InboxFolder()
{
    LibraryLock lock;
    UriList uris;
    Database::getInstance().getFileUris(URI, uris);
    setFileUris(std::move(uris));
}

wxString InboxFolder::getName() const { return _("Picture Inbox"); }

} // namespace Brenmarle
