#pragma once
// The main window. For now a frame with the program's title and the File menu (Preferences,
// Exit); its sections, sidebar and tool bar come with the main-window work.
// GUI thread only.

#include <wx/frame.h>

class MainFrame : public wxFrame {
public:
    explicit MainFrame(const wxString& title);

    // Handles an "app://" or "help://" address handed in from outside.
    void openAddress(const wxString& address);

private:
    void onPreferences(wxCommandEvent& event);
    void onExit(wxCommandEvent& event);
};
