#pragma once
// The start page: the program's short name, what the catalogue holds (pictures, favourites,
// albums, pictures waiting in the inbox) and the sticky-note reminder the user writes for
// themselves, kept under "Reminder/Text" in the user configuration.
//
// GUI thread only.

#include <wx/panel.h>

class wxStaticText;
class wxTextCtrl;

class WelcomePage : public wxPanel {
public:
    WelcomePage(wxWindow* parent, const wxString& shortName);

    // Reads the counts again from the catalogue.
    void refresh();
    // Stores the reminder (also done as the user types).
    void saveReminder();

    wxString getCountsText() const;
    wxTextCtrl* getReminder() const { return m_reminder; }

private:
    wxStaticText* m_counts;
    wxTextCtrl* m_reminder;
};
