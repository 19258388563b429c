#include "system/OrderlyExit.h"

#include <wx/app.h>
#include <wx/toplevel.h>

#include "system/Log.h"

namespace Quorvel {

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
    if (m_modalDialogs == 0) {
        closeLater();
        return;
    }
    QDEBUG("[APPLICATION] Ending %d modal dialogs before closing", m_modalDialogs);
    endModalDialogs();
}

void OrderlyExit::endModalDialogs()
{
    for (wxWindow* window : wxTopLevelWindows) {
        auto* dialog = dynamic_cast<wxDialog*>(window);
        if (dialog && dialog->IsModal())
            dialog->EndModal(wxID_CANCEL);
    }
}

int OrderlyExit::Enter(wxDialog*)
{
    ++m_modalDialogs;
    return wxID_NONE; // show the dialog
}

void OrderlyExit::Exit(wxDialog*)
{
    if (m_modalDialogs > 0)
        --m_modalDialogs;
    // Still inside the dialog's ShowModal: the close runs from the loop it returns to.
    if (m_modalDialogs == 0 && m_closePending)
        closeLater();
}

void OrderlyExit::closeLater()
{
    CallAfter([this] {
        if (!m_closePending || m_modalDialogs > 0)
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
