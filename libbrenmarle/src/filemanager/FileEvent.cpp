#include "filemanager/FileEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(FILE_ADDED, FileEvent);
wxDEFINE_EVENT(FILE_REMOVED, FileEvent);
wxDEFINE_EVENT(FILE_CHANGED, FileEvent);

FileEvent::FileEvent(wxEventType type, const Quorvel::Ref<File>& file)
    : RevocableEvent(type), m_file(file)
{
}

void FileEvent::setMove(const wxString& oldUri, const wxString& newUri)
{
    m_moved = true;
    m_oldUri = oldUri;
    m_newUri = newUri;
}

} // namespace Brenmarle
