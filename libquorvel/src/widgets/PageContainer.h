#pragma once
// A panel that holds pages and shows one of them at a time, filling the panel. Switching
// pages runs the pages' show and hide protocol: beforeHide, hidden, afterHide for the old
// page, then beforeShow, shown, laid out, afterShow for the new one, with drawing frozen until
// the new page has built its controls.
//
// GUI thread only. The pages are the container's children; it never destroys them.

#include <wx/panel.h>

namespace Quorvel {

class Page;

class PageContainer : public wxPanel {
public:
    // `minPageSize` is the smallest area the pages get.
    PageContainer(wxWindow* parent, const wxSize& minPageSize);

    // Shows `page` (a child of this container, or null for none) in place of the page shown.
    // Nothing happens when it is already the one shown.
    void showPage(Page* page);
    Page* getShownPage() const { return m_shown; }

    // The container no longer refers to `page` (it is about to be destroyed).
    void forgetPage(Page* page);

private:
    Page* m_shown = nullptr;
};

} // namespace Quorvel
