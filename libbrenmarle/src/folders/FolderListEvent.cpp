#include "folders/FolderListEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(FOLDER_LIST_FILES, FolderListEvent);

FolderListEvent::FolderListEvent(int serial, Files files, bool last, const wxString& error)
    : wxEvent(wxID_ANY, FOLDER_LIST_FILES), m_serial(serial), m_files(std::move(files)),
      m_last(last), m_error(error)
{
}

FolderListEvent::FolderListEvent(int serial, std::vector<int64_t> rowids, int32_t firstTime,
                                 int32_t lastTime, bool last, const wxString& error)
    : wxEvent(wxID_ANY, FOLDER_LIST_FILES), m_serial(serial), m_rowids(std::move(rowids)),
      m_firstTime(firstTime), m_lastTime(lastTime), m_last(last), m_error(error)
{
}

} // namespace Brenmarle
