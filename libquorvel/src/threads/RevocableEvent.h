#pragma once
// Base of the events that worker threads post to listeners (task and slave events). A posted
// event may sit in the listener's pending queue for a while; when the listener has meanwhile
// unregistered (removeListener), delivering it would hand a window news it said it no longer
// wants. Each event therefore carries the delivery token of its listener's registration; a
// process-wide event filter, installed while the toolkit is initialised, drops events whose
// token has been revoked before any handler sees them.
//
// Tokens are shared between threads: revoke() and isRevoked() may be called from any thread.

#include <atomic>
#include <memory>

#include <wx/event.h>

namespace Quorvel {

class RevocableEvent : public wxEvent {
public:
    using Token = std::shared_ptr<std::atomic<bool>>;

    // A new, live token for one listener registration.
    static Token makeToken();
    // From now on events carrying `token` are dropped, also those already queued.
    static void revoke(const Token& token);

    explicit RevocableEvent(wxEventType type = wxEVT_NULL, int id = -1) : wxEvent(id, type) {}

    // May be null: such an event is always delivered.
    void setDeliveryToken(Token token) { m_token = std::move(token); }
    bool isRevoked() const { return m_token && m_token->load(); }

    // Worker-thread events, like wxThreadEvent: yields that only admit user input or UI
    // events leave them queued.
    wxEventCategory GetEventCategory() const override { return wxEVT_CATEGORY_THREAD; }

private:
    Token m_token;
};

} // namespace Quorvel
