#include "folders/FolderListEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(FOLDER_LIST_FILES, FolderListEvent);

FolderListEvent::FolderListEvent(int serial, Files files, bool last, const wxString& error)
    : wxEvent(wxID_ANY, FOLDER_LIST_FILES), m_serial(serial), m_files(std::move(files)),
      m_last(last), m_error(error)
{
}

} // namespace Brenmarle
