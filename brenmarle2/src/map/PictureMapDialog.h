#pragma once
// "Picture Map": a region map on which a click on a country counts its pictures in the period
// the timeline on the left sets, and "Go to search results" hands the country and the period
// to the main window's search section. Without any picture with a country code it shows how
// to register country information instead.
//
// The one entry point is PictureMapDialog::open; the main window's "&Picture Map..." and tool
// bar button call it with the search section's handler.
//
// The counts are a few aggregate catalogue queries per click or change of period, run on the
// GUI thread. GUI thread only.

#include <cstdint>
#include <functional>

#include <wx/dialog.h>

#include "map/PictureMapModel.h"

namespace Brenmarle {
class Database;
}
namespace Quorvel {
class ConfigFile;
}
class PictureMapControl;
class TimeSpanSlider;
class wxButton;
class wxChoice;
class wxPanel;
class wxStaticText;

class PictureMapDialog : public wxDialog {
public:
    // What "Go to search results" hands over, as the search criteria's fields: the country
    // code, and pictures at or after `minimumTime` and before `maximumTime` (0: no limit).
    struct SearchRequest {
        wxString countryCode;
        int32_t minimumTime = 0;
        int32_t maximumTime = 0;
    };
    using SearchHandler = std::function<void(const SearchRequest&)>;
    // The country's name in the user's language; empty when the table does not know the
    // code (the map's own English name, then the code, stand in).
    using CountryNames = std::function<wxString(const wxString& code)>;

    // Shows the dialog modally over `parent` with the program's catalogue, user configuration
    // and maps; after "Go to search results" calls `goToSearch` with the selection.
    static void open(wxWindow* parent, const SearchHandler& goToSearch,
                     const CountryNames& countryNames = CountryNames());

    // `resourceDir` holds the "maps" folder and "help/countrysel.png"; it ends in "/".
    PictureMapDialog(wxWindow* parent, Brenmarle::Database& database,
                     Quorvel::ConfigFile& userConfig, const wxString& resourceDir,
                     const CountryNames& countryNames = CountryNames());

    // Valid after "Go to search results".
    const SearchRequest& getSearchRequest() const { return m_request; }

    // For tests and the accessibility tree.
    wxChoice* getRegionChoice() const { return m_regionChoice; }
    PictureMapControl* getMapControl() const { return m_mapControl; }
    TimeSpanSlider* getSlider() const { return m_slider; }
    wxStaticText* getSelectionLabel() const { return m_selectionLabel; }
    wxButton* getSearchButton() const { return m_searchButton; }
    wxPanel* getRegisterPanel() const { return m_registerPanel; }
    wxPanel* getMapPanel() const { return m_mapPanel; }
    // Loads the region at `index` of the regions offered, as choosing it does.
    void chooseRegion(int index);

private:
    wxPanel* makeMapPanel(wxWindow* parent);
    wxPanel* makeRegisterPanel(wxWindow* parent);
    void loadRegion(const wxString& path);
    void onRegionChoice(wxCommandEvent& event);
    void onMapClick(wxCommandEvent& event);
    void onPeriodChange(wxCommandEvent& event);
    void onSearch(wxCommandEvent& event);
    // Recounts the selected country and the tinted countries for the current period.
    void updateCounts();
    PictureMapModel::Period currentPeriod() const;
    wxString countryName(const wxString& code) const;

    Brenmarle::Database& m_database;
    Quorvel::ConfigFile& m_userConfig;
    wxString m_resourceDir;
    CountryNames m_countryNames;
    SearchRequest m_request;

    wxPanel* m_mapPanel = nullptr;
    wxPanel* m_registerPanel = nullptr;
    wxChoice* m_regionChoice = nullptr;
    TimeSpanSlider* m_slider = nullptr;
    PictureMapControl* m_mapControl = nullptr;
    wxStaticText* m_selectionLabel = nullptr;
    wxStaticText* m_clickHint = nullptr;
    wxStaticText* m_timelineHint = nullptr;
    wxButton* m_searchButton = nullptr;
};
