#pragma once
// "Picture Map": a region map on which a click on a country counts its pictures in the period
// the timeline on the left sets, and "Go to search results" hands the country and the period
// to the main window's search section. Without any picture with a country code it shows how
// to register country information instead.
//
// The one entry point is PictureMapDialog::open; the main window's "&Picture Map..." and tool
// bar button call it with the search section's handler.
//
// The counts are aggregate queries over the whole catalogue, so they run on the dialog's search
// manager's thread: the window answers while they run, and as the time span is dragged only
// the latest period is counted. Until the first answer the dialog says that it is counting.
// GUI thread only.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include <wx/dialog.h>

#include "map/PictureMapModel.h"

namespace Brenmarle {
class Database;
class SearchManager;
} // namespace Brenmarle
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
    // Stops the counting thread first: no count arrives at a dialog being taken apart.
    ~PictureMapDialog() override;

    // Whether counts asked for have not arrived yet (the panels and texts still show older
    // ones).
    bool isCounting() const { return m_asked != m_answered; }

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
    // Looks on the counting thread whether any picture has a country, and the span of picture
    // times, then shows the map or the registration panel.
    void askOverview();
    void showOverview(bool hasCountries, int32_t minTime, int32_t maxTime);
    // Recounts the selected country and the tinted countries for the current period, on the
    // counting thread.
    void updateCounts();
    void showCounts(const std::set<wxString>& withPictures, const wxString& code,
                    const PictureMapModel::CountryCount& count);
    void reportFailure(const wxString& message);
    PictureMapModel::Period currentPeriod() const;
    wxString countryName(const wxString& code) const;

    Brenmarle::Database& m_database;
    Quorvel::ConfigFile& m_userConfig;
    wxString m_resourceDir;
    CountryNames m_countryNames;
    SearchRequest m_request;
    std::unique_ptr<Brenmarle::SearchManager> m_counter;
    // Counting rounds asked for and answered; only the latest answer is shown.
    int m_asked = 0;
    int m_answered = 0;
    // Pictures of unknown time per country: the same for every period, counted once.
    std::map<wxString, int32_t> m_unknownTimes;

    wxPanel* m_mapPanel = nullptr;
    wxPanel* m_registerPanel = nullptr;
    wxChoice* m_regionChoice = nullptr;
    TimeSpanSlider* m_slider = nullptr;
    PictureMapControl* m_mapControl = nullptr;
    wxStaticText* m_selectionLabel = nullptr;
    wxStaticText* m_clickHint = nullptr;
    wxStaticText* m_timelineHint = nullptr;
    wxStaticText* m_countingText = nullptr;
    wxButton* m_searchButton = nullptr;
    wxButton* m_closeButton = nullptr;
};
