#pragma once
// Closes the program's main window when asked from outside (a termination signal) the way the
// user's Exit does, but never from inside a modal dialog's loop: closing there deletes the
// window, and with it a dialog that lives on the stack of the code that showed it. Open modal
// dialogs are ended first (as cancelled); the window is closed once the last of them has
// returned, from the loop it returns to.
//
// It counts the modal dialogs that are open through the toolkit's modal dialog hook, so it
// must exist before the first dialog is shown. GUI thread only.

#include <vector>

#include <wx/dialog.h>
#include <wx/event.h>
#include <wx/modalhook.h>
#include <wx/weakref.h>

namespace Quorvel {

class OrderlyExit : public wxEvtHandler, public wxModalDialogHook {
public:
    OrderlyExit();
    ~OrderlyExit() override;
    OrderlyExit(const OrderlyExit&) = delete;
    OrderlyExit& operator=(const OrderlyExit&) = delete;

    // Ends the modal dialogs, then closes `mainWindow` as if the user chose Exit, or ends the
    // main loop when there is none (or it is gone by then).
    void closeMainWindow(wxWindow* mainWindow);
    // Ends every open modal dialog as cancelled: the toolkit's own through EndModal, a message
    // box of the desktop by answering it.
    void endModalDialogs();

protected:
    int Enter(wxDialog* dialog) override;
    void Exit(wxDialog* dialog) override;

private:
    void closeLater();

    // The modal dialogs being shown, innermost last.
    std::vector<wxDialog*> m_modalDialogs;
    bool m_closePending = false;
    wxWeakRef<wxWindow> m_window;
};

} // namespace Quorvel
