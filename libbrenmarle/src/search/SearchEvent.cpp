#include "search/SearchEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(SEARCH_STARTED, SearchEvent);
wxDEFINE_EVENT(SEARCH_COUNT, SearchEvent);
wxDEFINE_EVENT(SEARCH_ROWS, SearchEvent);
wxDEFINE_EVENT(SEARCH_FAILED, SearchEvent);
wxDEFINE_EVENT(SEARCH_MATCH_COUNT, SearchEvent);
wxDEFINE_EVENT(SEARCH_HIDDEN_COUNT, SearchEvent);
wxDEFINE_EVENT(SEARCH_WORK_DONE, SearchEvent);

} // namespace Brenmarle
