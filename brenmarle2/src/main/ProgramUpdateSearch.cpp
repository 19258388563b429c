#include "main/ProgramUpdateSearch.h"

#include <wx/app.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>

#include "system/BrowserLink.h"
#include "system/Log.h"

ProgramUpdateSearch::~ProgramUpdateSearch()
{
    stop();
}

wxString ProgramUpdateSearch::noticeText(const Quorvel::VersionNumber& version)
{
    return wxString::Format(_("Version %s of the program is available. Do you want to open its "
                              "download page?"),
                            version.toString());
}

void ProgramUpdateSearch::onNewVersion(const Quorvel::VersionNumber& version)
{
    QDEBUG("[UPDATESEARCHTHREAD] New version %s", version.toString());
    const wxString page = getDownloadPage();
    // The thread never touches windows; a program that is closing drops the notice.
    if (wxTheApp && !isStopping())
        wxTheApp->CallAfter([version, page] {
            wxWindow* parent = wxTheApp->GetTopWindow();
            wxMessageDialog notice(parent, noticeText(version), _("New version available"),
                                   wxYES_NO | wxICON_INFORMATION);
            notice.SetYesNoLabels(_("Open Download Page"), _("Not Now"));
            if (notice.ShowModal() == wxID_YES)
                Quorvel::BrowserLink::open(page);
        });
}
