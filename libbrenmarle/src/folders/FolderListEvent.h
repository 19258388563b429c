#pragma once
// A batch of a catalogue folder's files, read in the background (FolderListReader) and posted
// to the window that shows the folder: the files in the folder's order, the reader's serial
// (a handler that has moved on to another list drops batches of an older one), and whether this
// is the last batch. The last batch may carry the text of a failure that ended the reading.

#include <vector>

#include <wx/event.h>

#include "files/File.h"

namespace Brenmarle {

class FolderListEvent : public wxEvent {
public:
    using Files = std::vector<Quorvel::Ref<File>>;

    FolderListEvent(int serial, Files files, bool last, const wxString& error = wxString());

    int getSerial() const { return m_serial; }
    const Files& getFiles() const { return m_files; }
    // The files, taken out of the event: no reference is added or dropped for them.
    Files takeFiles() { return std::move(m_files); }
    bool isLast() const { return m_last; }
    // Empty unless reading failed.
    const wxString& getError() const { return m_error; }

    wxEvent* Clone() const override { return new FolderListEvent(*this); }
    // Posted by a worker thread: yields that admit only user input leave it queued.
    wxEventCategory GetEventCategory() const override { return wxEVT_CATEGORY_THREAD; }

private:
    int m_serial;
    Files m_files;
    bool m_last;
    wxString m_error;
};

wxDECLARE_EVENT(FOLDER_LIST_FILES, FolderListEvent);

} // namespace Brenmarle
