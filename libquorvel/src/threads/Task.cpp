#include "threads/Task.h"

#include <chrono>

#include <wx/debug.h>
#include <wx/translation.h>

#include "system/Exceptions.h"
#include "threads/TaskRunnerThread.h"

namespace Quorvel {

namespace {

int64_t steadyMilliseconds()
{
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

Task::Task(int32_t id) : m_id(id), m_clock(steadyMilliseconds) {}

void Task::setProgress(const wxString& text, int64_t done, int64_t total)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_progressText = text;
    m_progressDone = done;
    m_progressTotal = total;
}

void Task::setDetail(const wxString& text, int64_t done, int64_t total)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_detailText = text;
    m_detailDone = done;
    m_detailTotal = total;
}

void Task::setResultText(const wxString& text)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_resultText = text;
}

wxString Task::getProgressText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_progressText;
}

int64_t Task::getProgressDone() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_progressDone;
}

int64_t Task::getProgressTotal() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_progressTotal;
}

wxString Task::getDetailText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_detailText;
}

int64_t Task::getDetailDone() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_detailDone;
}

int64_t Task::getDetailTotal() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_detailTotal;
}

wxString Task::getResultText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_resultText;
}

TaskRunnerThread* Task::getTaskRunner() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_taskrunner;
}

void Task::setTaskRunner(TaskRunnerThread* runner)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_taskrunner = runner;
}

void Task::setClock(Clock clock)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_clock = std::move(clock);
}

void Task::notifyProgress()
{
    TaskRunnerThread* runner;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        wxASSERT(m_taskrunner != 0);
        runner = m_taskrunner;
    }
    if (runner)
        runner->postProgress(*this);
}

void Task::abort(bool quiet)
{
    // Quiet first: the runner reads it once it sees the AbortException that `aborted` causes.
    m_quietAbort = quiet;
    m_aborted = true;
    onAbort();
}

void Task::checkAbort() const
{
    if (isAborted())
        throw AbortException(wxGetTranslation("Task aborted on request", "libquorvel"));
}

bool Task::progress(int64_t done, int64_t total)
{
    if (isAborted())
        return false;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        const int64_t now = m_clock();
        const bool firstOrLast = done == 0 || done == total;
        if (!firstOrLast && m_lastProgressTime && now - *m_lastProgressTime < PROGRESS_INTERVAL_MS)
            return true;
        m_lastProgressTime = now;
        m_progressDone = done;
        m_progressTotal = total;
    }
    notifyProgress();
    return true;
}

} // namespace Quorvel
