#include "widgets/PageContainer.h"

#include <wx/sizer.h>

#include "widgets/Page.h"

namespace Quorvel {

PageContainer::PageContainer(wxWindow* parent, const wxSize& minPageSize)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL | wxNO_BORDER)
{
    SetMinSize(minPageSize);
    SetSizer(new wxBoxSizer(wxVERTICAL));
}

void PageContainer::showPage(Page* page)
{
    if (page == m_shown)
        return;
    Freeze();
    if (Page* old = m_shown) {
        old->beforeHide();
        old->Hide();
        GetSizer()->Detach(old);
        m_shown = nullptr;
        old->afterHide();
    }
    if (!page) {
        Thaw();
        Refresh();
        return;
    }
    m_shown = page;
    page->beforeShow();
    Thaw();
    GetSizer()->Add(page, wxSizerFlags(1).Expand());
    page->Show();
    Layout();
    page->afterShow();
}

void PageContainer::forgetPage(Page* page)
{
    if (!page || page != m_shown)
        return;
    GetSizer()->Detach(page);
    m_shown = nullptr;
}

} // namespace Quorvel
