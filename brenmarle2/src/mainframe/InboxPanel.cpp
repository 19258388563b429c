#include "mainframe/InboxPanel.h"

#include <wx/sizer.h>
#include <wx/stattext.h>

#include "filemanager/FileManager.h"
#include "folders/InboxFolder.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "ui/Accessibility.h"
#include "widgets/ThumbnailView.h"

InboxPanel::InboxPanel(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SetName("InboxPanel");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    m_title = new wxStaticText(this, wxID_ANY, _("Picture Inbox"));
    m_title->SetFont(m_title->GetFont().Bold());
    sizer->Add(m_title, 0, wxALL, 6);
    m_view = new ThumbnailView(this);
    m_view->setAccessibleLabel(_("Picture Inbox"));
    m_view->setEmptyText(_("No new pictures.\nUse Get Photos to\nbring some in."));
    sizer->Add(m_view, 1, wxEXPAND);
    SetSizer(sizer);
    refresh();
}

void InboxPanel::refresh()
{
    if (!Brenmarle::FileManager::exists())
        return;
    try {
        m_view->setFolder(Brenmarle::FileManager::get().getFolder(Brenmarle::InboxFolder::URI));
    } catch (const Quorvel::Exception& e) {
        QDEBUG("[INBOXPANEL] %s", e.getMessage());
    }
}
