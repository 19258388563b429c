#include "threads/TaskEvent.h"

namespace Quorvel {

wxDEFINE_EVENT(EVT_TASK_STARTED, TaskEvent);
wxDEFINE_EVENT(EVT_TASK_PROGRESS, TaskEvent);
wxDEFINE_EVENT(EVT_TASK_FINISHED, TaskEvent);
wxDEFINE_EVENT(EVT_TASK_ABORTED, TaskEvent);
wxDEFINE_EVENT(EVT_TASK_FAILED, TaskEvent);

void TaskEvent::fillFrom(const Quorvel::Ref<Task>& task)
{
    m_task = task;
    if (!task)
        return;
    // Under the task's lock, so a line is never half old and half new.
    std::lock_guard<std::mutex> lock(task->m_mutex);
    m_progressText = task->m_progressText;
    m_progressDone = task->m_progressDone;
    m_progressTotal = task->m_progressTotal;
    m_detailText = task->m_detailText;
    m_detailDone = task->m_detailDone;
    m_detailTotal = task->m_detailTotal;
    m_resultText = task->m_resultText;
}

void TaskEvent::setError(const wxString& code, const wxString& message)
{
    m_errorCode = code;
    m_errorMessage = message;
}

} // namespace Quorvel
