#pragma once
// The help window ("HelpWindow"): the program's short HTML help pages. Links between pages stay
// inside the help folder; links to web sites open in the desktop's browser.
//
// GUI thread only. One window, owned by the toolkit, reused for every help address.

#include <wx/frame.h>

class wxHtmlWindow;

class HelpFrame : public wxFrame {
public:
    HelpFrame(wxWindow* parent, const wxString& helpFolder);

    // Shows a page given by its full path (HelpAddress::resolve).
    void showPage(const wxString& path);
    wxString getOpenedPage() const;

private:
    wxString m_helpFolder;
    wxHtmlWindow* m_html;
};
