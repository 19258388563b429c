#include "system/OrderlyExit.h"

#include <algorithm>

#include <wx/app.h>
#include <wx/toplevel.h>

#ifdef __WXGTK__
#include <dlfcn.h>
#endif

#include "system/Log.h"
#include "system/NestedLoop.h"

namespace Quorvel {

namespace {

OrderlyExit* g_instance = nullptr;

#ifdef __WXGTK__
// The desktop toolkit's functions are looked up at run time, so the program needs no build
// dependency on its headers.
template <typename Function> Function gtkFunction(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_DEFAULT, name));
}
constexpr int GTK_RESPONSE_CANCEL = -6;
#endif

// A message box is the desktop toolkit's own dialog, run by that toolkit's loop rather than by
// a modal loop of ours: the way to end it from outside is to answer it.
void answerNativeDialog(void* handle)
{
#ifdef __WXGTK__
    static const auto respond = gtkFunction<void (*)(void*, int)>("gtk_dialog_response");
    if (respond && handle)
        respond(handle, GTK_RESPONSE_CANCEL);
#else
    (void)handle;
#endif
}

// Dialogs the desktop toolkit runs without telling the modal hook (the print dialog) are found
// among its windows and answered too.
void answerOtherNativeDialogs()
{
#ifdef __WXGTK__
    struct GList {
        void* data;
        GList* next;
        GList* prev;
    };
    static const auto listToplevels = gtkFunction<GList* (*)()>("gtk_window_list_toplevels");
    static const auto freeList = gtkFunction<void (*)(GList*)>("g_list_free");
    static const auto dialogType = gtkFunction<unsigned long (*)()>("gtk_dialog_get_type");
    static const auto isA =
        gtkFunction<int (*)(void*, unsigned long)>("g_type_check_instance_is_a");
    static const auto isVisible = gtkFunction<int (*)(void*)>("gtk_widget_get_visible");
    static const auto isModal = gtkFunction<int (*)(void*)>("gtk_window_get_modal");
    if (!listToplevels || !freeList || !dialogType || !isA || !isVisible || !isModal)
        return;
    GList* windows = listToplevels();
    std::vector<void*> dialogs;
    for (GList* item = windows; item; item = item->next) {
        if (isA(item->data, dialogType()) && isVisible(item->data) && isModal(item->data))
            dialogs.push_back(item->data);
    }
    freeList(windows);
    for (void* dialog : dialogs)
        answerNativeDialog(dialog);
#endif
}

} // namespace

OrderlyExit::OrderlyExit()
{
    Register();
    g_instance = this;
}

OrderlyExit::~OrderlyExit()
{
    if (g_instance == this)
        g_instance = nullptr;
    Unregister();
}

OrderlyExit* OrderlyExit::get()
{
    return g_instance;
}

void OrderlyExit::closeMainWindow(wxWindow* mainWindow)
{
    m_window = mainWindow;
    m_closePending = true;
    m_closing = true;
    if (!busyInside()) {
        closeLater();
        return;
    }
    QDEBUG("[APPLICATION] Ending %zu modal dialogs and %zu nested loops before closing",
           m_modalDialogs.size(), m_nestedLoops.size());
    endModalDialogs();
    // Innermost first, as with the dialogs.
    const std::vector<NestedLoop*> loops = m_nestedLoops;
    for (auto loop = loops.rbegin(); loop != loops.rend(); ++loop)
        (*loop)->end();
}

void OrderlyExit::endModalDialogs()
{
    // Innermost first: an outer dialog's loop only returns after the inner one's.
    const std::vector<wxDialog*> dialogs = m_modalDialogs;
    for (auto dialog = dialogs.rbegin(); dialog != dialogs.rend(); ++dialog) {
        if (std::find(m_modalDialogs.begin(), m_modalDialogs.end(), *dialog) ==
            m_modalDialogs.end())
            continue; // ended by an inner one's closing
        if ((*dialog)->IsModal()) {
            // As its close box: a wizard stops its work on the way out.
            (*dialog)->Close(true);
            if ((*dialog)->IsModal())
                (*dialog)->EndModal(wxID_CANCEL);
        } else {
            answerNativeDialog((*dialog)->GetHandle());
        }
    }
    answerOtherNativeDialogs();
}

int OrderlyExit::Enter(wxDialog* dialog)
{
    if (m_closing) {
        QDEBUG("[APPLICATION] Closing: not showing the dialog \"%s\"", dialog->GetTitle());
        return wxID_CANCEL;
    }
    m_modalDialogs.push_back(dialog);
    return wxID_NONE; // show the dialog
}

void OrderlyExit::Exit(wxDialog* dialog)
{
    const auto found = std::find(m_modalDialogs.rbegin(), m_modalDialogs.rend(), dialog);
    if (found == m_modalDialogs.rend())
        return; // refused, never shown
    m_modalDialogs.erase(std::next(found).base());
    // Still inside the dialog's ShowModal: the close runs from the loop it returns to.
    if (!busyInside() && m_closePending)
        closeLater();
}

void OrderlyExit::enterNested(NestedLoop* loop)
{
    m_nestedLoops.push_back(loop);
    // Begun while closing (a handler that went on after its dialog was ended): it returns at
    // once.
    if (m_closing)
        loop->end();
}

void OrderlyExit::leaveNested(NestedLoop* loop)
{
    const auto found = std::find(m_nestedLoops.rbegin(), m_nestedLoops.rend(), loop);
    if (found != m_nestedLoops.rend())
        m_nestedLoops.erase(std::next(found).base());
    if (!busyInside() && m_closePending)
        closeLater();
}

void OrderlyExit::closeLater()
{
    CallAfter([this] {
        if (!m_closePending || busyInside())
            return;
        m_closePending = false;
        closeTopLevelWindows();
        // Closed windows are deleted at idle time, and nothing else may wake the loop up.
        wxWakeUpIdle();
    });
    wxWakeUpIdle();
}

void OrderlyExit::closeTopLevelWindows()
{
    std::vector<wxWeakRef<wxWindow>> others;
    for (wxWindow* window : wxTopLevelWindows) {
        if (window != m_window && !window->IsBeingDeleted())
            others.emplace_back(window);
    }
    for (const wxWeakRef<wxWindow>& window : others) {
        if (window) {
            QDEBUG("[APPLICATION] Closing window \"%s\"", window->GetLabel());
            window->Close(true);
        }
    }
    if (!m_window) {
        if (wxTheApp)
            wxTheApp->ExitMainLoop();
        return;
    }
    m_window->Close(true);
    // A window that only hides when closed (a dialog without a parent) would keep the loop
    // running once the main window is gone.
    if (!m_finishTimer) {
        m_finishTimer = std::make_unique<wxTimer>(this);
        Bind(wxEVT_TIMER, &OrderlyExit::onFinishTimer, this, m_finishTimer->GetId());
    }
    m_finishTimer->Start(FINISH_POLL_MS);
}

void OrderlyExit::onFinishTimer(wxTimerEvent&)
{
    if (m_window)
        return;
    m_finishTimer->Stop();
    if (wxTheApp && wxTheApp->IsMainLoopRunning())
        wxTheApp->ExitMainLoop();
}

} // namespace Quorvel
