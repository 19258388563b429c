#pragma once
// Picture Search: the user fills in a text, up to two keywords, a period, a country and
// whether only favourites count; the catalogue search runs on the search manager's thread and
// its matches arrive in the thumbnail view with their count, as rowids whose files the view
// makes as it draws them. Every change starts a new query that supersedes the one in progress,
// so typing never waits for the catalogue.
//
// The page owns the search manager: it starts with the page when the catalogue is open and is
// stopped by stopSearch() (the application does so at exit, before the file manager and the
// catalogue go) or by the destructor.
//
// GUI thread only.

#include <ctime>
#include <memory>

#include <wx/panel.h>

#include "search/SearchCriteria.h"
#include "search/SearchTarget.h"
#include "widgets/ThumbnailView.h"

namespace Brenmarle {
class KeywordEvent;
class SearchManager;
} // namespace Brenmarle
class wxCheckBox;
class wxChoice;
class wxComboBox;
class wxDatePickerCtrl;
class wxStaticText;
class wxTextCtrl;

class PictureSearchPage : public wxPanel, public Brenmarle::SearchTarget {
public:
    explicit PictureSearchPage(wxWindow* parent);
    ~PictureSearchPage() override;

    // Searches for what the fields say now.
    void searchFields();
    // Shows the matches of an SQL condition typed elsewhere (the "runquery" command); the
    // fields show the query instead of their own criteria.
    void runCustomQuery(const wxString& condition);
    // Shows the pictures of a country (two-letter code) taken in [minTime, maxTime); a time of
    // 0 leaves that end open.
    void searchCountry(const wxString& code, time_t minTime, time_t maxTime);
    // Ends the search thread; later searches do nothing.
    void stopSearch();

    ThumbnailView* getView() const { return m_view; }
    // What the count line says ("12 pictures found", or why the query was refused).
    wxString getCountText() const;
    const Brenmarle::SearchCriteria& getCriteria() const { return m_criteria; }
    wxTextCtrl* getTextField() const { return m_text; }

    void onSearchStarted(const Brenmarle::SearchCriteria& criteria) override;
    void onSearchCount(int matches) override;
    void onSearchRows(const std::vector<int64_t>& rowids) override;
    void onSearchFailed(const wxString& message) override;

private:
    void search(const Brenmarle::SearchCriteria& criteria);
    void fillKeywordChoices();
    void onKeywordsChanged(Brenmarle::KeywordEvent& event);
    // Asks the search thread which of the view's rows have gone; the view loses them then.
    void checkRows();

    std::unique_ptr<Brenmarle::SearchManager> m_manager;
    Brenmarle::SearchCriteria m_criteria;
    bool m_failed = false;
    // While the fields are set from code their change events start no search.
    bool m_settingFields = false;

    wxTextCtrl* m_text = nullptr;
    wxComboBox* m_keyword1 = nullptr;
    wxComboBox* m_keyword2 = nullptr;
    wxCheckBox* m_period = nullptr;
    wxDatePickerCtrl* m_from = nullptr;
    wxDatePickerCtrl* m_to = nullptr;
    wxChoice* m_country = nullptr;
    wxCheckBox* m_favorites = nullptr;
    wxStaticText* m_custom = nullptr;
    wxStaticText* m_count = nullptr;
    ThumbnailView* m_view = nullptr;
};
