#pragma once
// One step of a search's results, posted by the search thread to its search manager, which
// hands it to the target or the count listener on the GUI thread. Carries the delivery token of
// the receiver and query it was meant for, so results of a superseded query, or for a receiver
// that has gone, are dropped.

#include <cstdint>
#include <functional>
#include <vector>

#include <wx/event.h>

#include "search/SearchCriteria.h"
#include "threads/RevocableEvent.h"

namespace Brenmarle {

class SearchEvent : public Quorvel::RevocableEvent {
public:
    explicit SearchEvent(wxEventType type = wxEVT_NULL) : RevocableEvent(type) {}

    wxEvent* Clone() const override { return new SearchEvent(*this); }

    // SEARCH_STARTED
    SearchCriteria criteria;
    // SEARCH_COUNT (to the target), SEARCH_MATCH_COUNT and SEARCH_HIDDEN_COUNT (to the count
    // listener)
    int count = 0;
    // SEARCH_ROWS: matches as catalogue rowids, in query order
    std::vector<int64_t> rowids;
    // SEARCH_FAILED
    wxString message;
    // SEARCH_WORK_DONE: what the work hands back, run on the GUI thread
    std::function<void()> result;
};

wxDECLARE_EVENT(SEARCH_STARTED, SearchEvent);
wxDECLARE_EVENT(SEARCH_COUNT, SearchEvent);
wxDECLARE_EVENT(SEARCH_ROWS, SearchEvent);
wxDECLARE_EVENT(SEARCH_FAILED, SearchEvent);
wxDECLARE_EVENT(SEARCH_MATCH_COUNT, SearchEvent);
wxDECLARE_EVENT(SEARCH_HIDDEN_COUNT, SearchEvent);
wxDECLARE_EVENT(SEARCH_WORK_DONE, SearchEvent);

} // namespace Brenmarle
