#pragma once
// The "Network" page of the preferences dialog: the HTTP proxy settings in the network
// settings file that all of the maker's programs share. GUI thread only.

#include <wx/panel.h>

class wxCheckBox;
class wxTextCtrl;

class NetworkPage : public wxPanel {
public:
    // `networkSettingsPath` is the shared "network.ini".
    NetworkPage(wxWindow* parent, const wxString& networkSettingsPath);

    // Fills the fields from the file, when it exists.
    void load();
    // Stores the fields, only when the file already exists (it belongs to the installation,
    // which creates it); returns whether anything was stored.
    bool save();

    wxCheckBox* getProxyCheckBox() const { return m_enabled; }
    wxTextCtrl* getHostField() const { return m_host; }
    wxTextCtrl* getPortField() const { return m_port; }
    wxTextCtrl* getUserField() const { return m_user; }
    wxTextCtrl* getPasswordField() const { return m_password; }

private:
    void updateEnabled();

    wxString m_path;
    wxCheckBox* m_enabled;
    wxTextCtrl* m_host;
    wxTextCtrl* m_port;
    wxTextCtrl* m_user;
    wxTextCtrl* m_password;
};
