#pragma once
// A frame that shows one HTML page, for example the import wizard's "Import Log".
// GUI thread only.

#include <wx/frame.h>

class wxHtmlWindow;

namespace Quorvel {

class LogViewFrame : public wxFrame {
public:
    LogViewFrame(wxWindow* parent, const wxString& title, const wxString& html);

    void setPage(const wxString& html);
    wxHtmlWindow* getHtmlWindow() const { return m_html; }

private:
    wxHtmlWindow* m_html;
};

} // namespace Quorvel
