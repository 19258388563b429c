#pragma once
// A listener for events posted from worker threads, for console tests with no event loop: it
// keeps a copy of each event it handles, and waits, without sleeping, for events to be queued
// and processes them on the test's (main) thread.

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>
#include <vector>

#include <wx/event.h>

class EventRecorder : public wxEvtHandler {
public:
    // Records events of `type` (of class `E`) from now on.
    template <typename E> void record(const wxEventTypeTag<E>& type)
    {
        Bind(type,
             [this](E& event) { m_events.push_back(std::unique_ptr<wxEvent>(event.Clone())); });
    }

    // Processes pending events until `count` have been recorded. Fails (returns false) after a
    // generous limit instead of hanging the test run.
    bool waitForCount(std::size_t count);
    // Processes whatever is pending now (for a worker that has already ended).
    void processPending();

    std::size_t count() const { return m_events.size(); }
    wxEventType typeAt(std::size_t index) const { return m_events.at(index)->GetEventType(); }
    template <typename E> const E& at(std::size_t index) const
    {
        return dynamic_cast<const E&>(*m_events.at(index));
    }
    std::vector<wxEventType> types() const;

    void QueueEvent(wxEvent* event) override;

private:
    std::vector<std::unique_ptr<wxEvent>> m_events; // main thread only
    std::mutex m_mutex;
    std::condition_variable m_queuedMore;
    std::size_t m_queued = 0; // under m_mutex
};
