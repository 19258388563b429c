#pragma once
// The application's own small settings file ("prefs.conf"): the width of the main window's
// side panel. GUI thread only.

#include <wx/string.h>

class Preferences {
public:
    static constexpr long DEFAULT_SIDE_PANEL_WIDTH = 185;

    // `fileName` must not be empty. Reads the settings; a missing file gives the defaults.
    explicit Preferences(const wxString& fileName);

    long getSidePanelWidth() const { return m_sidePanelWidth; }
    void setSidePanelWidth(long width) { m_sidePanelWidth = width; }

    // Writes the settings; returns false when the file could not be written.
    bool save() const;

private:
    wxString m_fileName;
    long m_sidePanelWidth = DEFAULT_SIDE_PANEL_WIDTH;
};
