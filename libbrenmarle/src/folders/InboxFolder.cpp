#include "folders/InboxFolder.h"

#include <wx/intl.h>

#include "core/LibraryLock.h"
#include "database/Database.h"

namespace Brenmarle {

InboxFolder::InboxFolder() = default;

wxString InboxFolder::getName() const { return _("Picture Inbox"); }

} // namespace Brenmarle
