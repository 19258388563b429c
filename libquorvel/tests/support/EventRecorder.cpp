#include "EventRecorder.h"

#include <chrono>

#include <wx/app.h>

void EventRecorder::QueueEvent(wxEvent* event)
{
    wxEvtHandler::QueueEvent(event);
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        ++m_queued;
    }
    m_queuedMore.notify_all();
}

void EventRecorder::processPending()
{
    wxTheApp->ProcessPendingEvents();
}

bool EventRecorder::waitForCount(std::size_t count)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (;;) {
        std::size_t queuedBefore;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            queuedBefore = m_queued;
        }
        processPending();
        if (m_events.size() >= count)
            return true;
        std::unique_lock<std::mutex> lock(m_mutex);
        if (!m_queuedMore.wait_until(lock, deadline, [&] { return m_queued != queuedBefore; }))
            return false;
    }
}

std::vector<wxEventType> EventRecorder::types() const
{
    std::vector<wxEventType> result;
    for (const auto& event : m_events)
        result.push_back(event->GetEventType());
    return result;
}
