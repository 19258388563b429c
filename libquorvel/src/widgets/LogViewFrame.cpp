#include "widgets/LogViewFrame.h"

#include <wx/html/htmlwin.h>
#include <wx/sizer.h>

namespace Quorvel {

LogViewFrame::LogViewFrame(wxWindow* parent, const wxString& title, const wxString& html)
    : wxFrame(parent, wxID_ANY, title, wxDefaultPosition, wxSize(600, 450))
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_html = new wxHtmlWindow(this, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                              wxHW_SCROLLBAR_AUTO, "htmlWindow");
    sizer->Add(m_html, 1, wxEXPAND);
    SetSizer(sizer);
    setPage(html);
}

void LogViewFrame::setPage(const wxString& html) { m_html->SetPage(html); }

} // namespace Quorvel
