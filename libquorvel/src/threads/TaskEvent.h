#pragma once
// What a TaskRunnerThread tells a task's listener: the task started, made progress, finished,
// was aborted or failed. Built on the runner thread, delivered through the listener's pending
// event queue and handled on the GUI thread. The event holds a reference to its task, so the
// task stays alive until the listener has handled the event.
//
// Listeners bind the event types below:
//     Bind(Quorvel::EVT_TASK_FINISHED, &UploadPage::onTaskFinished, this);

#include <cstdint>

#include <wx/string.h>

#include "threads/ReferenceCounted.h"
#include "threads/RevocableEvent.h"
#include "threads/Task.h"

namespace Quorvel {

class TaskEvent : public RevocableEvent {
public:
    explicit TaskEvent(wxEventType type = wxEVT_NULL, int id = -1) : RevocableEvent(type, id) {}

    wxEvent* Clone() const override { return new TaskEvent(*this); }

    // Copies the task reference, the progress and detail lines and the result text (one
    // consistent snapshot of each line). Quorvel::Ref is spelled out because inside a wxObject
    // a plain Ref names wxObject::Ref.
    void fillFrom(const Quorvel::Ref<Task>& task);

    // The task the event is about; keeps it alive.
    const Quorvel::Ref<Task>& getTask() const { return m_task; }

    // Code and message of the exception that ended the task (failed and aborted events).
    void setError(const wxString& code, const wxString& message);
    const wxString& getErrorCode() const { return m_errorCode; }
    const wxString& getErrorMessage() const { return m_errorMessage; }

    const wxString& getProgressText() const { return m_progressText; }
    int64_t getProgressDone() const { return m_progressDone; }
    int64_t getProgressTotal() const { return m_progressTotal; }
    const wxString& getDetailText() const { return m_detailText; }
    int64_t getDetailDone() const { return m_detailDone; }
    int64_t getDetailTotal() const { return m_detailTotal; }
    const wxString& getResultText() const { return m_resultText; }

private:
    Quorvel::Ref<Task> m_task;
    wxString m_errorCode;
    wxString m_errorMessage;
    wxString m_progressText;
    int64_t m_progressDone = 0;
    int64_t m_progressTotal = 0;
    wxString m_detailText;
    int64_t m_detailDone = 0;
    int64_t m_detailTotal = 0;
    wxString m_resultText;
};

// Posted just before the runner calls run().
wxDECLARE_EVENT(EVT_TASK_STARTED, TaskEvent);
// Posted when the task reports progress.
wxDECLARE_EVENT(EVT_TASK_PROGRESS, TaskEvent);
// Posted when run() returned normally.
wxDECLARE_EVENT(EVT_TASK_FINISHED, TaskEvent);
// Posted when run() ended with AbortException, unless the abort was quiet.
wxDECLARE_EVENT(EVT_TASK_ABORTED, TaskEvent);
// Posted when run() ended with any other exception; carries its code and message.
wxDECLARE_EVENT(EVT_TASK_FAILED, TaskEvent);

} // namespace Quorvel
