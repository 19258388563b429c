#pragma once
// Tells every registered listener about an event: each gets its own posted copy carrying the
// id it registered under, handled later on the GUI thread.
//
// Threads: addListener() and removeListener() from the GUI thread, broadcast() from any thread.
// m_mutex guards m_listeners and is held around every post, so nothing is posted to a listener
// once removeListener() has returned; copies already queued for it are dropped on delivery
// (RevocableEvent).

#include <mutex>
#include <vector>

#include <wx/event.h>

#include "threads/RevocableEvent.h"

namespace Quorvel {

class EventBroadcaster {
public:
    EventBroadcaster() = default;
    virtual ~EventBroadcaster() = default;
    EventBroadcaster(const EventBroadcaster&) = delete;
    EventBroadcaster& operator=(const EventBroadcaster&) = delete;

    // `handler` must call removeListener() before it is destroyed. Registering it twice gives
    // it two copies of each event, one per id.
    void addListener(wxEvtHandler* handler, int id);
    // Removes every registration of `handler`. Logs "[EVENTBROADCASTER] Removed %p".
    void removeListener(wxEvtHandler* handler);

    // Posts a copy of `event` to each listener, with the listener's id.
    void broadcast(const RevocableEvent& event);
    // GUI thread: hands a copy of `event` to each listener at once, with the listener's id, in
    // the order they registered. A listener may add or remove listeners while it handles it;
    // one removed meanwhile gets nothing more.
    void send(const wxEvent& event);

private:
    struct Listener {
        wxEvtHandler* handler;
        int id;
        RevocableEvent::Token token;
    };

    std::mutex m_mutex;
    std::vector<Listener> m_listeners;
};

} // namespace Quorvel
