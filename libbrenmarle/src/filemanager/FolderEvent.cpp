#include "filemanager/FolderEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(FOLDER_ADDED, FolderEvent);
wxDEFINE_EVENT(FOLDER_CHANGED, FolderEvent);
wxDEFINE_EVENT(FOLDER_DELETED, FolderEvent);

FolderEvent::FolderEvent(wxEventType type, const FolderRef& folder, int32_t argument)
    : RevocableEvent(type), m_folder(folder), m_argument(argument)
{
}

} // namespace Brenmarle
