#include "mainframe/MyComputerPage.h"

#include <wx/dirctrl.h>
#include <wx/filename.h>
#include <wx/sizer.h>
#include <wx/stdpaths.h>

#include <utility>

#include "filemanager/FileManager.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "ui/Accessibility.h"
#include "ui/AccessibleRows.h"
#include "widgets/ThumbnailView.h"

MyComputerPage::MyComputerPage(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SetName("MyComputerPage");
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    m_tree = new wxGenericDirCtrl(this, wxID_ANY, wxGetHomeDir(), wxDefaultPosition,
                                  wxSize(230, -1), wxDIRCTRL_DIR_ONLY | wxDIRCTRL_3D_INTERNAL);
    m_tree->SetName("FolderTree");
    Quorvel::setAccessibleName(*m_tree, _("Folders"));
    Quorvel::AccessibleRows::expose(*m_tree->GetTreeCtrl(), _("Folders"));
    sizer->Add(m_tree, 0, wxEXPAND);
    m_view = new ThumbnailView(this);
    m_view->setAccessibleLabel(_("Pictures of the folder"));
    m_view->setEmptyText(_("Choose a folder on the left to see its pictures."));
    sizer->Add(m_view, 1, wxEXPAND);
    SetSizer(sizer);
    m_tree->Bind(wxEVT_DIRCTRL_SELECTIONCHANGED,
                 [this](wxTreeEvent&) { showDirectory(m_tree->GetPath()); });
    // Where most people keep their pictures; shown when first asked for (see showFirst()).
    // Without the desktop's folder settings the toolkit answers with the home folder.
    wxString pictures = wxStandardPaths::Get().GetUserDir(wxStandardPaths::Dir_Pictures);
    if (wxFileName::DirName(pictures) == wxFileName::DirName(wxGetHomeDir()))
        pictures = wxFileName::DirName(wxGetHomeDir()).GetPath(wxPATH_GET_SEPARATOR) + "Pictures";
    if (wxDirExists(pictures))
        m_startDirectory = pictures;
}

void MyComputerPage::showFirst()
{
    if (m_startDirectory.empty())
        return;
    const wxString start = std::exchange(m_startDirectory, wxString());
    m_tree->ExpandPath(start);
    m_tree->SetPath(start);
    showDirectory(start);
}

void MyComputerPage::showDirectory(const wxString& path)
{
    if (path.empty() || !Brenmarle::FileManager::exists())
        return;
    wxString directory = wxFileName::DirName(path).GetFullPath();
    const wxString uri = "file://" + directory;
    try {
        m_view->setEmptyText(_("This folder holds no pictures."));
        m_view->setFolder(Brenmarle::FileManager::get().getFolder(uri));
        QDEBUG("[MAINFRAME] Set folder %s", uri);
    } catch (const Quorvel::Exception& e) {
        wxLogError(_("Could not show the folder %s: %s"), directory, e.getMessage());
    }
}
