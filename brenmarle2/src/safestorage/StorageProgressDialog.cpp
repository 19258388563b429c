#include "safestorage/StorageProgressDialog.h"

#include <wx/button.h>
#include <wx/intl.h>
#include <wx/sizer.h>

#include "system/Log.h"

StorageProgressDialog::StorageProgressDialog(wxWindow* parent, const wxString& title,
                                             const wxString& message,
                                             Quorvel::Configuration& configuration,
                                             Quorvel::NetworkSettings* settings, AllEnded allEnded)
    : StorageTaskDialog(parent, title, configuration, settings), m_allEnded(std::move(allEnded))
{
    setMessage(message);
    auto* buttons = new wxStdDialogButtonSizer;
    m_cancel = new wxButton(this, wxID_CANCEL, _("Cancel"));
    buttons->AddButton(m_cancel);
    buttons->Realize();
    finishLayout(buttons);
    // The window's close box and Escape are Cancel too.
    m_cancel->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { cancel(); });
    // An orderly exit cannot wait for the step: the window goes at once, and the running
    // step is stopped with it.
    Bind(wxEVT_CLOSE_WINDOW, [this](wxCloseEvent& event) {
        if (!event.CanVeto()) {
            detach();
            Destroy();
            return;
        }
        event.Veto();
        cancel();
    });
}

void StorageProgressDialog::addStep(const MakeStep& make, const wxString& waiting, StepEnded ended)
{
    m_steps.push_back({make, waiting, std::move(ended)});
    if (!isBusy())
        next();
}

void StorageProgressDialog::cancel()
{
    if (m_cancelled)
        return;
    m_cancelled = true;
    QDEBUG("[STORAGEPROGRESSDIALOG] Cancelled with %zu steps waiting", m_steps.size());
    m_steps.clear();
    m_cancel->Disable();
    // The window stays until the running step has said what it did.
    if (isBusy())
        abortStep();
    else
        next();
}

void StorageProgressDialog::detach()
{
    m_steps.clear();
    m_running = nullptr;
    m_allEnded = nullptr;
}

void StorageProgressDialog::stepFinished(Brenmarle::SafeStorageTask& task)
{
    stepEnded(&task, true, wxString());
}

void StorageProgressDialog::stepFailed(Brenmarle::SafeStorageTask* task, const wxString& code,
                                       const wxString& message)
{
    QDEBUG("[STORAGEPROGRESSDIALOG] Step ended: %s (%s)", message, code);
    // Stopped by Cancel is no failure to report.
    const bool stopped = m_cancelled && task && task->isAborted();
    stepEnded(task, false, stopped ? wxString() : message);
}

void StorageProgressDialog::stepEnded(Brenmarle::SafeStorageTask* task, bool finished,
                                      const wxString& message)
{
    const StepEnded ended = std::move(m_running);
    m_running = nullptr;
    if (ended)
        ended(task, finished, message);
    next();
}

void StorageProgressDialog::next()
{
    if (m_steps.empty()) {
        if (IsShown())
            Hide();
        const AllEnded allEnded = std::move(m_allEnded);
        m_allEnded = nullptr;
        if (allEnded)
            allEnded(m_cancelled);
        return;
    }
    Step step = std::move(m_steps.front());
    m_steps.pop_front();
    m_running = std::move(step.ended);
    // A step that cannot start ends at once, through stepFailed().
    runStep(step.make, step.waiting);
}
