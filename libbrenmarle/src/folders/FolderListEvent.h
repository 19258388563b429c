#pragma once
// A batch of a catalogue folder's files, read in the background (FolderListReader) and posted
// to the window that shows the folder: the files in the folder's order, the reader's serial
// (a handler that has moved on to another list drops batches of an older one), and whether this
// is the last batch. The last batch may carry the text of a failure that ended the reading.
//
// A reader that lists rows only (FolderListReader::Mode::Rows) posts the folder's rowids
// instead of files, then a last event with the earliest and latest picture time of the folder
// (0 and 0 when none is dated).

#include <cstdint>
#include <vector>

#include <wx/event.h>

#include "files/File.h"

namespace Brenmarle {

class FolderListEvent : public wxEvent {
public:
    using Files = std::vector<Quorvel::Ref<File>>;

    FolderListEvent(int serial, Files files, bool last, const wxString& error = wxString());
    // Rows (and, in the last event, the folder's times) instead of files.
    FolderListEvent(int serial, std::vector<int64_t> rowids, int32_t firstTime, int32_t lastTime,
                    bool last, const wxString& error = wxString());

    int getSerial() const { return m_serial; }
    const Files& getFiles() const { return m_files; }
    // The files, taken out of the event: no reference is added or dropped for them.
    Files takeFiles() { return std::move(m_files); }
    bool isLast() const { return m_last; }
    // The rows of a rows-only reader, taken out of the event.
    std::vector<int64_t> takeRowIds() { return std::move(m_rowids); }
    int32_t getFirstTime() const { return m_firstTime; }
    int32_t getLastTime() const { return m_lastTime; }
    // Empty unless reading failed.
    const wxString& getError() const { return m_error; }

    wxEvent* Clone() const override { return new FolderListEvent(*this); }
    // Posted by a worker thread: yields that admit only user input leave it queued.
    wxEventCategory GetEventCategory() const override { return wxEVT_CATEGORY_THREAD; }

private:
    int m_serial;
    Files m_files;
    std::vector<int64_t> m_rowids;
    int32_t m_firstTime = 0;
    int32_t m_lastTime = 0;
    bool m_last;
    wxString m_error;
};

wxDECLARE_EVENT(FOLDER_LIST_FILES, FolderListEvent);

} // namespace Brenmarle
