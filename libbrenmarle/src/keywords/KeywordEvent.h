#pragma once
// News about the keyword list: one keyword added or removed, or the list as a whole changed
// (loaded, or edited). Sent by the keyword manager on the GUI thread and handled at once.
//
//     Bind(Brenmarle::KEYWORD_ADDED, &KeywordsPanel::onKeywordAdded, this);

#include <wx/event.h>

#include "threads/RevocableEvent.h"

namespace Brenmarle {

class KeywordEvent : public Quorvel::RevocableEvent {
public:
    explicit KeywordEvent(wxEventType type = wxEVT_NULL, const wxString& keyword = wxString());

    // The keyword added or removed; for KEYWORDS_CHANGED the one whose change caused it, or
    // empty when the whole list was loaded.
    const wxString& getKeyword() const { return m_keyword; }

    wxEvent* Clone() const override { return new KeywordEvent(*this); }

private:
    wxString m_keyword;
};

wxDECLARE_EVENT(KEYWORD_ADDED, KeywordEvent);
wxDECLARE_EVENT(KEYWORD_REMOVED, KeywordEvent);
wxDECLARE_EVENT(KEYWORDS_CHANGED, KeywordEvent);

} // namespace Brenmarle
