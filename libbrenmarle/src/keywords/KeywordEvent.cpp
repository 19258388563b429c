#include "keywords/KeywordEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(KEYWORD_ADDED, KeywordEvent);
wxDEFINE_EVENT(KEYWORD_REMOVED, KeywordEvent);
wxDEFINE_EVENT(KEYWORDS_CHANGED, KeywordEvent);

KeywordEvent::KeywordEvent(wxEventType type, const wxString& keyword)
    : RevocableEvent(type), m_keyword(keyword)
{
}

} // namespace Brenmarle
