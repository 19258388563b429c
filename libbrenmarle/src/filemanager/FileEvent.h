#pragma once
// News about a file: added to a folder, removed from one, or changed (the mask says what).

#include <wx/event.h>

#include "files/File.h"
#include "threads/RevocableEvent.h"

namespace Brenmarle {

class FileEvent : public Quorvel::RevocableEvent {
public:
    // Change-mask bit: the keywords changed.
    static constexpr int32_t CHANGED_KEYWORDS = 32;
    // The picture itself was replaced (an edit saved over it): thumbnails and views reload.
    static constexpr int32_t CHANGED_PICTURE = 64;

    FileEvent(wxEventType type, const Quorvel::Ref<File>& file);

    const Quorvel::Ref<File>& getFile() const { return m_file; }
    // A move: the file left `oldUri` for `newUri`.
    bool isMoved() const { return m_moved; }
    const wxString& getOldUri() const { return m_oldUri; }
    const wxString& getNewUri() const { return m_newUri; }
    void setMove(const wxString& oldUri, const wxString& newUri);
    int32_t getChangeMask() const { return m_mask; }
    void setChangeMask(int32_t mask) { m_mask = mask; }

    wxEvent* Clone() const override { return new FileEvent(*this); }

private:
    Quorvel::Ref<File> m_file;
    bool m_moved = false;
    wxString m_oldUri;
    wxString m_newUri;
    int32_t m_mask = 0;
};

wxDECLARE_EVENT(FILE_ADDED, FileEvent);
wxDECLARE_EVENT(FILE_REMOVED, FileEvent);
wxDECLARE_EVENT(FILE_CHANGED, FileEvent);

} // namespace Brenmarle
