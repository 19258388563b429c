#include "plugins/PluginRunningDialog.h"

#include <csignal>

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "plugins/PluginProcess.h"

namespace {
// How often the panel looks whether the plug-in ended.
constexpr int CHECK_INTERVAL_MS = 200;
} // namespace

PluginRunningDialog::PluginRunningDialog(wxWindow* parent, const wxString& title,
                                         PluginProcess& process, const wxBitmap& stopIcon,
                                         const wxBitmap& killIcon)
    : wxDialog(parent, wxID_ANY, title), m_process(process), m_timer(this)
{
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    sizer->Add(new wxStaticText(this, wxID_ANY, _("Plugin is running!")), 0, wxALL, 12);
    auto* buttons = new wxBoxSizer(wxHORIZONTAL);
    m_stop = new wxButton(this, wxID_ANY, _("Stop Plugin"));
    m_kill = new wxButton(this, wxID_ANY, _("Kill Plugin"));
    for (auto [button, icon] : {std::pair{m_stop, &stopIcon}, {m_kill, &killIcon}}) {
        if (icon->IsOk())
            button->SetBitmap(*icon);
        buttons->Add(button, 0, wxLEFT | wxRIGHT, 6);
    }
    sizer->Add(buttons, 0, wxALIGN_CENTER | wxLEFT | wxRIGHT | wxBOTTOM, 12);
    SetSizerAndFit(sizer);
    CentreOnParent();

    m_stop->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_process.signalGroup(SIGTERM); });
    m_kill->Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { m_process.signalGroup(SIGKILL); });
    Bind(wxEVT_TIMER, &PluginRunningDialog::onTimer, this);
    Bind(wxEVT_CLOSE_WINDOW, &PluginRunningDialog::onClose, this);
    m_timer.Start(CHECK_INTERVAL_MS);
}

void PluginRunningDialog::onTimer(wxTimerEvent&)
{
    if (m_process.isRunning())
        return;
    m_timer.Stop();
    if (IsModal())
        EndModal(wxID_OK);
}

void PluginRunningDialog::onClose(wxCloseEvent& event)
{
    if (m_process.isRunning() && event.CanVeto()) {
        event.Veto();
        return;
    }
    event.Skip();
}
