#pragma once
// The preferences dialog. Its one page that edits stored settings is "Network". GUI thread only.

#include <wx/dialog.h>

class NetworkPage;

class PreferencesDialog : public wxDialog {
public:
    PreferencesDialog(wxWindow* parent, const wxString& networkSettingsPath);

    NetworkPage* getNetworkPage() const { return m_network; }

private:
    void onOk(wxCommandEvent& event);

    NetworkPage* m_network;
};
