#pragma once
// Closes the program when asked from outside (a termination signal) the way the user's Exit
// does, but never from inside a loop that runs within a handler: closing there deletes windows
// that code further up the stack still uses (a dialog on the stack of the code that showed it,
// the main window under its own pop-up menu). Open modal dialogs and nested loops (NestedLoop)
// are ended first; the windows are closed once the last of them has returned, from the loop it
// returns to.
//
// Then every top-level window is closed as forced, the main window last: a window without a
// parent (a picture window opened from a file manager, a plug-in's splash) keeps the program
// running as much as the main window does. Once the main window is gone the main loop ends,
// whatever hidden window is left.
//
// From the moment it is asked, nothing may wait on the user any more: new modal dialogs are
// refused (they return wxID_CANCEL at once without being shown).
//
// It counts the modal dialogs that are open through the toolkit's modal dialog hook, so it
// must exist before the first dialog is shown. One per process (get()). GUI thread only.

#include <memory>
#include <vector>

#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/modalhook.h>
#include <wx/timer.h>
#include <wx/weakref.h>

namespace Quorvel {

class NestedLoop;

class OrderlyExit : public wxEvtHandler, public wxModalDialogHook {
public:
    static constexpr int FINISH_POLL_MS = 50;

    OrderlyExit();
    ~OrderlyExit() override;
    OrderlyExit(const OrderlyExit&) = delete;
    OrderlyExit& operator=(const OrderlyExit&) = delete;

    // The process's one; null when there is none (a test without the application object).
    static OrderlyExit* get();

    // Ends the modal dialogs and nested loops, then closes every top-level window, `mainWindow`
    // last, as if the user chose Exit; ends the main loop when there is none (or it is gone).
    void closeMainWindow(wxWindow* mainWindow);
    // Ends every open modal dialog as cancelled: the toolkit's own by closing it (a wizard then
    // stops its work) and EndModal, a message box of the desktop by answering it.
    void endModalDialogs();
    // Whether closing was asked for: from then on modal dialogs are refused.
    bool isClosing() const { return m_closing; }

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    friend class NestedLoop;
    void enterNested(NestedLoop* loop);
    void leaveNested(NestedLoop* loop);
    void closeLater();
    void closeTopLevelWindows();
    void onFinishTimer(wxTimerEvent& event);
    bool busyInside() const { return !m_modalDialogs.empty() || !m_nestedLoops.empty(); }

    // The modal dialogs being shown, innermost last.
    std::vector<wxDialog*> m_modalDialogs;
    std::vector<NestedLoop*> m_nestedLoops;
    bool m_closePending = false;
    bool m_closing = false;
    wxWeakRef<wxWindow> m_window;
    // Made once closing starts: the application object exists before the toolkit can make it.
    std::unique_ptr<wxTimer> m_finishTimer;
};

} // namespace Quorvel
