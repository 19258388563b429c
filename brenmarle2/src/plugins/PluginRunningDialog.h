#pragma once
// The panel shown while a MODAL plug-in runs: "Plugin is running!" with "Stop Plugin" (asks the
// plug-in's process group to end) and "Kill Plugin" (ends it at once). It closes by itself when
// the process ends; closing it otherwise is refused, since the plug-in still holds the program.
//
// GUI thread.

#include <memory>

#include <wx/bitmap.h>
#include <wx/dialog.h>
#include <wx/timer.h>

class PluginProcess;
class wxButton;

class PluginRunningDialog : public wxDialog {
public:
    // The icons may be invalid bitmaps (none shown).
    PluginRunningDialog(wxWindow* parent, const wxString& title, PluginProcess& process,
                        const wxBitmap& stopIcon = wxBitmap(),
                        const wxBitmap& killIcon = wxBitmap());

    wxButton* getStopButton() const { return m_stop; }
    wxButton* getKillButton() const { return m_kill; }

private:
    void onTimer(wxTimerEvent& event);
    void onClose(wxCloseEvent& event);

    PluginProcess& m_process;
    wxButton* m_stop;
    wxButton* m_kill;
    wxTimer m_timer;
};
