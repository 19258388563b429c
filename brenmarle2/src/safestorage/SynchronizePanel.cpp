#include "safestorage/SynchronizePanel.h"

#include <algorithm>

#include <wx/hyperlink.h>
#include <wx/intl.h>
#include <wx/msgdlg.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "safestorage/SynchronizeManager.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

using Status = SynchronizeManager::Status;

namespace {
constexpr int BORDER = 4;

wxString whenText(int level)
{
    switch (level) {
    case 5:
        return _("Will start immediately");
    case 4:
        return _("Will start very soon");
    default:
        return _("Will start in a few minutes");
    }
}
} // namespace

SynchronizePanel::SynchronizePanel(wxWindow* parent, SynchronizeManager* manager)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL,
              "SynchronizePanel")
{
    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    auto* texts = new wxBoxSizer(wxVERTICAL);
    m_heading = new wxStaticText(this, wxID_ANY, wxString());
    m_heading->SetFont(m_heading->GetFont().Bold());
    m_detail = new wxStaticText(this, wxID_ANY, wxString());
    m_note = new wxStaticText(this, wxID_ANY, wxString());
    texts->Add(m_heading);
    texts->Add(m_detail);
    texts->Add(m_note);
    sizer->Add(texts, wxSizerFlags(1).Border(wxALL, BORDER));
    m_startNow = addLink(_("Start now"), &SynchronizePanel::startNow);
    m_pause = addLink(_("Pause"), &SynchronizePanel::pause);
    m_resume = addLink(_("Resume synchronization"), &SynchronizePanel::resume);
    m_retry = addLink(_("Retry now"), &SynchronizePanel::startNow);
    for (wxHyperlinkCtrl* link : {m_startNow, m_pause, m_resume, m_retry})
        sizer->Add(link, wxSizerFlags().CenterVertical().Border(wxALL, BORDER));
    SetSizer(sizer);
    Bind(SYNCHRONIZE_STATUS, &SynchronizePanel::onStatus, this);
    setManager(manager);
}

SynchronizePanel::~SynchronizePanel()
{
    setManager(nullptr);
}

wxHyperlinkCtrl* SynchronizePanel::addLink(const wxString& label,
                                           void (SynchronizePanel::*action)())
{
    // No address: the link acts here rather than opening a browser.
    auto* link = new wxHyperlinkCtrl(this, wxID_ANY, label, wxString());
    Quorvel::setAccessibleName(*link, label);
    link->Bind(wxEVT_HYPERLINK, [this, action](wxHyperlinkEvent&) { (this->*action)(); });
    return link;
}

void SynchronizePanel::setManager(SynchronizeManager* manager)
{
    if (m_manager)
        m_manager->removeListener(this);
    m_manager = manager;
    if (m_manager)
        m_manager->addListener(this, GetId());
    refresh();
}

wxString SynchronizePanel::getHeading() const
{
    return m_heading->GetLabel();
}
wxString SynchronizePanel::getDetail() const
{
    return m_detail->GetLabel();
}
wxString SynchronizePanel::getNote() const
{
    return m_note->GetLabel();
}

void SynchronizePanel::startNow()
{
    if (m_manager)
        m_manager->synchronizeNow();
}

void SynchronizePanel::pause()
{
    if (m_manager)
        m_manager->pause();
}

void SynchronizePanel::resume()
{
    if (m_manager)
        m_manager->resume();
}

void SynchronizePanel::onStatus(wxCommandEvent&)
{
    refresh();
}

void SynchronizePanel::refresh()
{
    const Status status = m_manager ? m_manager->getStatus() : Status::Idle;
    switch (status) {
    case Status::Scheduled:
        show(_("Synchronization scheduled"), whenText(m_manager->getLevel()), wxString(),
             {m_startNow, m_pause});
        break;
    case Status::Running:
        show(m_manager->getProgressText(), wxString(), wxString(), {m_pause});
        break;
    case Status::Paused:
        show(_("Synchronization needed"), _("Paused by user"), wxString(), {m_resume});
        break;
    case Status::Failed:
        if (m_manager->getLevel() > 0)
            show(_("Synchronization error!"), _("Will try again later"),
                 m_manager->isConnectionError() ? _("Connection error")
                                                : _("Synchronization error"),
                 {m_retry});
        else
            show(_("Synchronization Failed"), _("Error synchronizing with server"), wxString(),
                 {m_retry});
        break;
    case Status::Succeeded:
        show(_("Chosen photos are now safely stored"),
             _("The pictures you have enabled safe storage for have now been updated on our "
               "secure server"),
             wxString(), {});
        break;
    case Status::Idle:
        show(wxString(), wxString(), wxString(), {});
        break;
    }
}

void SynchronizePanel::show(const wxString& heading, const wxString& detail, const wxString& note,
                            std::initializer_list<wxHyperlinkCtrl*> links)
{
    m_heading->SetLabel(heading);
    m_detail->SetLabel(detail);
    m_detail->Show(!detail.empty());
    m_note->SetLabel(note);
    m_note->Show(!note.empty());
    for (wxHyperlinkCtrl* link : {m_startNow, m_pause, m_resume, m_retry})
        link->Show(std::find(links.begin(), links.end(), link) != links.end());
    // A screen reader entering the line hears what it says.
    Quorvel::nameRegion(*this, _("Safe storage"), heading + (detail.empty() ? "" : ". " + detail));
    const bool shown = !heading.empty();
    if (IsShown() != shown)
        Show(shown);
    if (GetParent())
        GetParent()->Layout();
}

bool SynchronizePanel::confirmClose(wxWindow* parent, const SynchronizeManager* manager)
{
    if (!manager || !manager->isDue())
        return true;
    wxMessageDialog ask(
        parent,
        _("You have made changes to your archive that are not yet reflected in safe storage.\n\n"
          "If you close the program now, these changes will not be safely stored until you "
          "start the program again and complete the safe storage synchronization.\n\nDo you "
          "still wish to close the program now?"),
        _("Close program without synchronizing?"), wxOK | wxCANCEL | wxICON_QUESTION);
    ask.SetOKCancelLabels(_("Close"), _("Cancel"));
    const bool close = ask.ShowModal() == wxID_OK;
    QDEBUG("[SYNCHRONIZEPANEL] Close without synchronizing: %s", close ? "yes" : "no");
    return close;
}
