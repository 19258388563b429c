#pragma once
// The toolkit's loops that run inside a handler, made so that an orderly exit can end them: a
// pop-up menu, drag and drop, and a wait for something another thread or process does. Each
// runs as a NestedLoop, so the windows are not closed under the handler that runs it; a
// termination makes it return as if the user had cancelled it.
//
// GUI thread.

#include <chrono>
#include <functional>

#include <wx/dnd.h>
#include <wx/gdicmn.h>

class wxMenu;
class wxWindow;

namespace Quorvel {

class NestedLoops {
public:
    // wxWindow::PopupMenu, ended (as if dismissed) when the program is told to end. Returns
    // what PopupMenu returns; false without showing the menu when the program is ending.
    static bool popupMenu(wxWindow& window, wxMenu& menu,
                          const wxPoint& position = wxDefaultPosition);
    // wxDropSource::DoDragDrop, cancelled when the program is told to end.
    static wxDragResult dragAndDrop(wxDropSource& source, int flags);

    enum class WaitResult { DONE, TIMED_OUT, ENDED };
    // Waits until `done()` holds, looking every `pollMs`, without holding the GUI thread: windows
    // are painted, timers and posted events handled, and a termination signal read. The user's
    // input is held off meanwhile (every window disabled, busy cursor), as a modal wait would.
    // Gives up after `limit` (zero: no limit) and when the program is told to end.
    static WaitResult waitUntil(const std::function<bool()>& done,
                                std::chrono::milliseconds limit = std::chrono::milliseconds(0),
                                int pollMs = 20);
};

} // namespace Quorvel
