#include "threads/EventBroadcaster.h"

#include <algorithm>
#include <memory>

#include "system/Log.h"

namespace Quorvel {

void EventBroadcaster::addListener(wxEvtHandler* handler, int id)
{
    wxCHECK_RET(handler, "null listener");
    std::lock_guard<std::mutex> lock(m_mutex);
    m_listeners.push_back({handler, id, RevocableEvent::makeToken()});
}

void EventBroadcaster::removeListener(wxEvtHandler* handler)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Not remove_if: it would leave the removed entries moved-from, tokens and all.
        const auto gone =
            std::stable_partition(m_listeners.begin(), m_listeners.end(),
                                  [handler](const Listener& l) { return l.handler != handler; });
        std::for_each(gone, m_listeners.end(),
                      [](const Listener& l) { RevocableEvent::revoke(l.token); });
        m_listeners.erase(gone, m_listeners.end());
    }
    QDEBUG("[EVENTBROADCASTER] Removed %p", static_cast<void*>(handler));
}

void EventBroadcaster::broadcast(const RevocableEvent& event)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Listener& listener : m_listeners) {
        auto* copy = static_cast<RevocableEvent*>(event.Clone());
        copy->SetId(listener.id);
        copy->setDeliveryToken(listener.token);
        wxQueueEvent(listener.handler, copy);
    }
}

void EventBroadcaster::send(const wxEvent& event)
{
    std::vector<Listener> listeners;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        listeners = m_listeners;
    }
    // Handled outside the lock, so that a handler may change the registrations.
    for (const Listener& listener : listeners) {
        if (listener.token->load())
            continue;
        std::unique_ptr<wxEvent> copy(event.Clone());
        copy->SetId(listener.id);
        listener.handler->ProcessEvent(*copy);
    }
}

} // namespace Quorvel
