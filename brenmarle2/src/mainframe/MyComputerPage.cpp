#include "mainframe/MyComputerPage.h"

#include <wx/dirctrl.h>
#include <wx/filename.h>
#include <wx/sizer.h>

#include "filemanager/FileManager.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "widgets/ThumbnailView.h"

MyComputerPage::MyComputerPage(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SetName("MyComputerPage");
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    m_tree = new wxGenericDirCtrl(this, wxID_ANY, wxGetHomeDir(), wxDefaultPosition,
                                  wxSize(230, -1), wxDIRCTRL_DIR_ONLY | wxDIRCTRL_3D_INTERNAL);
    m_tree->SetName("FolderTree");
    sizer->Add(m_tree, 0, wxEXPAND);
    m_view = new ThumbnailView(this);
    m_view->setEmptyText(_("Choose a folder on the left to see its pictures."));
    sizer->Add(m_view, 1, wxEXPAND);
    SetSizer(sizer);
    m_tree->Bind(wxEVT_DIRCTRL_SELECTIONCHANGED,
                 [this](wxTreeEvent&) { showDirectory(m_tree->GetPath()); });
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
