#include "threads/RevocableEvent.h"

#include <wx/eventfilter.h>
#include <wx/module.h>

namespace Quorvel {

namespace {

class RevokedEventFilter : public wxEventFilter {
public:
    int FilterEvent(wxEvent& event) override
    {
        // Called for every event the program processes: the category test keeps the common
        // case (input, paint, timers) away from the dynamic_cast.
        if (event.GetEventCategory() != wxEVT_CATEGORY_THREAD)
            return Event_Skip;
        const auto* revocable = dynamic_cast<const RevocableEvent*>(&event);
        return revocable && revocable->isRevoked() ? Event_Ignore : Event_Skip;
    }
};

// Ties the filter to the toolkit's lifetime: installed when the toolkit initialises its
// modules (before any event can be processed) and removed when it cleans them up, so the
// filter list never points at a destroyed object.
class RevokedEventFilterModule : public wxModule {
public:
    bool OnInit() override
    {
        wxEvtHandler::AddFilter(&m_filter);
        return true;
    }
    void OnExit() override { wxEvtHandler::RemoveFilter(&m_filter); }

private:
    RevokedEventFilter m_filter;
    wxDECLARE_DYNAMIC_CLASS(RevokedEventFilterModule);
};

} // namespace

wxIMPLEMENT_DYNAMIC_CLASS(RevokedEventFilterModule, wxModule);

RevocableEvent::Token RevocableEvent::makeToken()
{
    return std::make_shared<std::atomic<bool>>(false);
}

void RevocableEvent::revoke(const Token& token)
{
    if (token)
        token->store(true);
}

} // namespace Quorvel
