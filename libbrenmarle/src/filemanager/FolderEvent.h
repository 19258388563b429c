#pragma once
// News about a folder: registered (a new or shown album), changed, or deleted.

#include <wx/event.h>

#include "folders/Folder2.h"
#include "threads/RevocableEvent.h"

namespace Brenmarle {

class FolderEvent : public Quorvel::RevocableEvent {
public:
    FolderEvent(wxEventType type, const FolderRef& folder, int32_t argument = 0);

    const FolderRef& getFolder() const { return m_folder; }
    int32_t getArgument() const { return m_argument; }

    wxEvent* Clone() const override { return new FolderEvent(*this); }

private:
    FolderRef m_folder;
    int32_t m_argument;
};

wxDECLARE_EVENT(FOLDER_ADDED, FolderEvent);
wxDECLARE_EVENT(FOLDER_CHANGED, FolderEvent);
wxDECLARE_EVENT(FOLDER_DELETED, FolderEvent);

} // namespace Brenmarle
