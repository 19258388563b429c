#include "system/OrderlyExit.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include "system/Log.h"

namespace Quorvel {

namespace {

// A message box is the desktop toolkit's own dialog, run by that toolkit's loop rather than by
// a modal loop of ours: the way to end it from outside is to answer it. Looked up at run time,
// so the program needs no build dependency on the desktop toolkit's headers.
void answerNativeDialog(wxDialog* dialog)
{
#ifdef __WXGTK__
    using Respond = void (*)(void* dialog, int response);
    static const auto respond =
        reinterpret_cast<Respond>(::dlsym(RTLD_DEFAULT, "gtk_dialog_response"));
    constexpr int GTK_RESPONSE_CANCEL = -6;
    if (respond && dialog->GetHandle())
        respond(dialog->GetHandle(), GTK_RESPONSE_CANCEL);
#else
    (void)dialog;
#endif
}

} // namespace

OrderlyExit::OrderlyExit()
{
    Register();
}

OrderlyExit::~OrderlyExit()
{
    Unregister();
}

void OrderlyExit::closeMainWindow(wxWindow* mainWindow)
{
    m_window = mainWindow;
    m_closePending = true;
    if (m_modalDialogs.empty()) {
        closeLater();
        return;
    }
    QDEBUG("[APPLICATION] Ending %zu modal dialogs before closing", m_modalDialogs.size());
    endModalDialogs();
}

void OrderlyExit::endModalDialogs()
{
    // Innermost first: an outer dialog's loop only returns after the inner one's.
    for (auto dialog = m_modalDialogs.rbegin(); dialog != m_modalDialogs.rend(); ++dialog) {
        if ((*dialog)->IsModal())
            (*dialog)->EndModal(wxID_CANCEL);
        else
            answerNativeDialog(*dialog);
    }
}

int OrderlyExit::Enter(wxDialog* dialog)
{
    m_modalDialogs.push_back(dialog);
    return wxID_NONE; // show the dialog
}

void OrderlyExit::Exit(wxDialog* dialog)
{
    const auto found = std::find(m_modalDialogs.rbegin(), m_modalDialogs.rend(), dialog);
    if (found != m_modalDialogs.rend())
        m_modalDialogs.erase(std::next(found).base());
    // Still inside the dialog's ShowModal: the close runs from the loop it returns to.
    if (m_modalDialogs.empty() && m_closePending)
        closeLater();
}

void OrderlyExit::closeLater()
{
    CallAfter([this] {
        if (!m_closePending || !m_modalDialogs.empty())
            return;
        m_closePending = false;
        if (m_window)
            m_window->Close(true);
        else if (wxTheApp)
            wxTheApp->ExitMainLoop();
        // Closed windows are deleted at idle time, and nothing else may wake the loop up.
        wxWakeUpIdle();
    });
    wxWakeUpIdle();
}

} // namespace Quorvel
