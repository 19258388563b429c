#include "mainframe/HelpFrame.h"

#include <wx/html/htmlwin.h>
#include <wx/sizer.h>
#include <wx/utils.h>

#include "mainframe/HelpAddress.h"
#include "system/Log.h"

namespace {

// Pages may only link to other help pages and to web sites.
class HelpHtmlWindow : public wxHtmlWindow {
public:
    HelpHtmlWindow(wxWindow* parent, const wxString& folder)
        : wxHtmlWindow(parent, wxID_ANY), m_folder(folder)
    {
    }

    wxHtmlOpeningStatus OnOpeningURL(wxHtmlURLType type, const wxString& url,
                                     wxString* redirect) const override
    {
        if (url.StartsWith("http://") || url.StartsWith("https://")) {
            if (type == wxHTML_URL_PAGE)
                wxLaunchDefaultBrowser(url);
            return wxHTML_BLOCK;
        }
        wxString path = url;
        if (path.StartsWith("file:", &path))
            path = wxFileName::URLToFileName(url).GetFullPath();
        const wxString relative =
            path.StartsWith(m_folder) ? path.Mid(m_folder.length()) : wxString();
        const wxString resolved = HelpAddress::resolve("help://" + relative, m_folder);
        if (resolved.empty()) {
            QDEBUG("[HELPFRAME] Blocked %s", url);
            return wxHTML_BLOCK;
        }
        (void)redirect;
        return wxHTML_OPEN;
    }

private:
    wxString m_folder;
};

} // namespace

HelpFrame::HelpFrame(wxWindow* parent, const wxString& helpFolder)
    : wxFrame(parent, wxID_ANY, _("Help"), wxDefaultPosition, wxSize(720, 560),
              wxDEFAULT_FRAME_STYLE, "HelpWindow"),
      m_helpFolder(wxFileName::DirName(helpFolder).GetPath(wxPATH_GET_SEPARATOR))
{
    m_html = new HelpHtmlWindow(this, m_helpFolder);
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(m_html, 1, wxEXPAND);
    SetSizer(sizer);
}

void HelpFrame::showPage(const wxString& path)
{
    m_html->LoadPage(path);
    SetTitle(m_html->GetOpenedPageTitle().empty() ? _("Help") : m_html->GetOpenedPageTitle());
}

wxString HelpFrame::getOpenedPage() const
{
    return m_html->GetOpenedPage();
}
