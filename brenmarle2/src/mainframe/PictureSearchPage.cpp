#include "mainframe/PictureSearchPage.h"

#include <ctime>

#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/combobox.h>
#include <wx/datectrl.h>
#include <wx/dateevt.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "keywords/KeywordEvent.h"
#include "keywords/KeywordManager.h"
#include "search/CountryList.h"
#include "search/SearchManager.h"
#include "system/Log.h"
#include "ui/Accessibility.h"

namespace {

// Picture times are the camera's wall clock read as UTC, so a day picked in the calendar starts
// at that date's midnight in UTC, whatever the user's time zone.
int32_t dayStart(const wxDateTime& date)
{
    std::tm day{};
    day.tm_year = date.GetYear() - 1900;
    day.tm_mon = date.GetMonth();
    day.tm_mday = date.GetDay();
    return static_cast<int32_t>(timegm(&day));
}

// The calendar date of a picture time, for the date pickers.
wxDateTime pictureDate(time_t time)
{
    std::tm fields{};
    gmtime_r(&time, &fields);
    return wxDateTime(static_cast<wxDateTime::wxDateTime_t>(fields.tm_mday),
                      static_cast<wxDateTime::Month>(fields.tm_mon), fields.tm_year + 1900);
}

} // namespace

PictureSearchPage::PictureSearchPage(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SetName("PictureSearchPage");
    auto* sizer = new wxBoxSizer(wxVERTICAL);
    auto* title = new wxStaticText(this, wxID_ANY, _("Picture Search"));
    title->SetFont(title->GetFont().Scaled(1.5f).Bold());
    sizer->Add(title, 0, wxALL, 8);

    auto* fields = new wxFlexGridSizer(2, 4, 8);
    fields->AddGrowableCol(1);
    fields->Add(new wxStaticText(this, wxID_ANY, _("Text:")), 0, wxALIGN_CENTER_VERTICAL);
    m_text = new wxTextCtrl(this, wxID_ANY);
    m_text->SetName("SearchText");
    Quorvel::setAccessibleName(*m_text, _("Text"));
    m_text->SetHint(_("Caption, file name or place"));
    fields->Add(m_text, 1, wxEXPAND);

    fields->Add(new wxStaticText(this, wxID_ANY, _("Keywords:")), 0, wxALIGN_CENTER_VERTICAL);
    auto* keywords = new wxBoxSizer(wxHORIZONTAL);
    m_keyword1 = new wxComboBox(this, wxID_ANY);
    m_keyword1->SetName("SearchKeyword1");
    m_keyword2 = new wxComboBox(this, wxID_ANY);
    m_keyword2->SetName("SearchKeyword2");
    Quorvel::setAccessibleName(*m_keyword1, _("First keyword"));
    Quorvel::setAccessibleName(*m_keyword2, _("Second keyword"));
    keywords->Add(m_keyword1, 1, wxRIGHT, 4);
    keywords->Add(m_keyword2, 1);
    fields->Add(keywords, 1, wxEXPAND);

    m_period = new wxCheckBox(this, wxID_ANY, _("Taken from:"));
    m_period->SetName("SearchPeriod");
    fields->Add(m_period, 0, wxALIGN_CENTER_VERTICAL);
    auto* period = new wxBoxSizer(wxHORIZONTAL);
    m_from = new wxDatePickerCtrl(this, wxID_ANY);
    m_from->SetName("SearchFrom");
    m_to = new wxDatePickerCtrl(this, wxID_ANY);
    m_to->SetName("SearchTo");
    Quorvel::setAccessibleName(*m_from, _("Taken from"));
    Quorvel::setAccessibleName(*m_to, _("Taken to"));
    period->Add(m_from, 0, wxRIGHT, 4);
    period->Add(new wxStaticText(this, wxID_ANY, _("to")), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT, 4);
    period->Add(m_to, 0);
    fields->Add(period, 1, wxEXPAND);

    fields->Add(new wxStaticText(this, wxID_ANY, _("Country:")), 0, wxALIGN_CENTER_VERTICAL);
    auto* place = new wxBoxSizer(wxHORIZONTAL);
    m_country = new wxChoice(this, wxID_ANY);
    m_country->SetName("SearchCountry");
    Quorvel::setAccessibleName(*m_country, _("Country"));
    m_country->Append(_("Any country"), new wxStringClientData());
    for (const auto& country : Brenmarle::CountryList::getInstance().getCountries())
        m_country->Append(country.name, new wxStringClientData(country.code));
    m_country->SetSelection(0);
    place->Add(m_country, 1, wxRIGHT, 12);
    m_favorites = new wxCheckBox(this, wxID_ANY, _("Favorites only"));
    m_favorites->SetName("SearchFavorites");
    place->Add(m_favorites, 0, wxALIGN_CENTER_VERTICAL);
    fields->Add(place, 1, wxEXPAND);
    sizer->Add(fields, 0, wxEXPAND | wxLEFT | wxRIGHT, 8);

    m_custom = new wxStaticText(this, wxID_ANY, wxString());
    m_custom->SetName("SearchCustomQuery");
    sizer->Add(m_custom, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 8);
    m_custom->Hide();
    m_count = new wxStaticText(this, wxID_ANY, wxString());
    m_count->SetName("SearchCount");
    m_count->SetFont(m_count->GetFont().Bold());
    sizer->Add(m_count, 0, wxEXPAND | wxALL, 8);
    m_view = new ThumbnailView(this);
    m_view->setAccessibleLabel(_("Pictures found"));
    m_view->setEmptyText(_("Type what you are looking for above."));
    sizer->Add(m_view, 1, wxEXPAND);
    SetSizer(sizer);

    auto changed = [this](wxCommandEvent&) {
        if (!m_settingFields)
            searchFields();
    };
    m_text->Bind(wxEVT_TEXT, changed);
    m_keyword1->Bind(wxEVT_TEXT, changed);
    m_keyword2->Bind(wxEVT_TEXT, changed);
    m_period->Bind(wxEVT_CHECKBOX, changed);
    m_country->Bind(wxEVT_CHOICE, changed);
    for (wxDatePickerCtrl* date : {m_from, m_to})
        date->Bind(wxEVT_DATE_CHANGED, [this](wxDateEvent&) {
            if (m_period->GetValue())
                searchFields();
        });
    m_view->Bind(THUMBNAIL_ROWS_TO_CHECK, [this](wxCommandEvent&) { checkRows(); });
    m_favorites->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent&) {
        m_view->setFavoritesOnly(m_favorites->GetValue());
    });
    // View > Favorites Only sets the same filter: the box follows it.
    m_favorites->Bind(wxEVT_UPDATE_UI,
                      [this](wxUpdateUIEvent& event) { event.Check(m_view->isFavoritesOnly()); });

    fillKeywordChoices();
    Brenmarle::KeywordManager::getInstance().addListener(this, GetId());
    Bind(Brenmarle::KEYWORD_ADDED, &PictureSearchPage::onKeywordsChanged, this);
    Bind(Brenmarle::KEYWORD_REMOVED, &PictureSearchPage::onKeywordsChanged, this);
    Bind(Brenmarle::KEYWORDS_CHANGED, &PictureSearchPage::onKeywordsChanged, this);

    // Without a catalogue (or its file manager) there is nothing to search.
    if (Brenmarle::Database::getInstance().isOpen() && Brenmarle::FileManager::exists()) {
        m_manager = std::make_unique<Brenmarle::SearchManager>(
            Brenmarle::Database::getInstance(), Brenmarle::CountryList::getInstance());
        m_manager->setTarget(this);
        m_manager->start();
    }
}

PictureSearchPage::~PictureSearchPage()
{
    Brenmarle::KeywordManager::getInstance().removeListener(this);
    stopSearch();
}

void PictureSearchPage::stopSearch()
{
    if (!m_manager)
        return;
    m_manager->stop();
    m_manager.reset();
}

void PictureSearchPage::searchFields()
{
    Brenmarle::SearchCriteria criteria;
    criteria.text = m_text->GetValue().Strip(wxString::both);
    criteria.keyword1 = m_keyword1->GetValue().Strip(wxString::both);
    criteria.keyword2 = m_keyword2->GetValue().Strip(wxString::both);
    if (m_period->GetValue()) {
        criteria.minTime = dayStart(m_from->GetValue());
        criteria.maxTime = dayStart(m_to->GetValue() + wxDateSpan::Day());
    }
    if (auto* code = dynamic_cast<wxStringClientData*>(
            m_country->GetClientObject(static_cast<unsigned>(m_country->GetSelection()))))
        criteria.countryCode = code->GetData();
    m_custom->Hide();
    search(criteria);
}

void PictureSearchPage::runCustomQuery(const wxString& condition)
{
    Brenmarle::SearchCriteria criteria;
    criteria.customQuery = condition;
    m_custom->SetLabel(Brenmarle::SearchCriteria::CUSTOM_QUERY_INTRODUCTION + condition);
    m_custom->Show();
    search(criteria);
}

void PictureSearchPage::searchCountry(const wxString& code, time_t minTime, time_t maxTime)
{
    // The fields show what is searched, without each of them starting a search of its own.
    m_settingFields = true;
    m_text->Clear();
    m_keyword1->SetValue(wxString());
    m_keyword2->SetValue(wxString());
    m_country->SetSelection(0);
    const wxString upper = code.Upper();
    for (unsigned i = 1; i < m_country->GetCount(); ++i) {
        auto* data = dynamic_cast<wxStringClientData*>(m_country->GetClientObject(i));
        if (data && data->GetData() == upper)
            m_country->SetSelection(static_cast<int>(i));
    }
    m_period->SetValue(minTime > 0 || maxTime > 0);
    if (minTime > 0)
        m_from->SetValue(pictureDate(minTime));
    if (maxTime > 0)
        m_to->SetValue(pictureDate(maxTime - 1));
    m_settingFields = false;

    Brenmarle::SearchCriteria criteria;
    criteria.countryCode = upper;
    criteria.minTime = static_cast<int32_t>(minTime);
    criteria.maxTime = static_cast<int32_t>(maxTime);
    m_custom->Hide();
    search(criteria);
}

void PictureSearchPage::search(const Brenmarle::SearchCriteria& criteria)
{
    Layout();
    if (!m_manager) {
        m_count->SetLabel(_("The catalogue is not open."));
        return;
    }
    m_manager->setQuery(criteria);
}

wxString PictureSearchPage::getCountText() const
{
    return m_count->GetLabel();
}

void PictureSearchPage::onSearchStarted(const Brenmarle::SearchCriteria& criteria)
{
    m_criteria = criteria;
    m_failed = false;
    m_view->setRows({});
    m_count->SetLabel(_("Searching..."));
}

void PictureSearchPage::onSearchCount(int matches)
{
    // A refused query keeps its reason on show; its count of 0 says nothing more.
    if (m_failed)
        return;
    m_count->SetLabel(
        wxString::Format(wxPLURAL("%d picture found", "%d pictures found", matches), matches));
}

void PictureSearchPage::onSearchRows(const std::vector<int64_t>& rowids)
{
    m_view->appendRows(rowids);
}

void PictureSearchPage::checkRows()
{
    if (!m_manager)
        return;
    // On the search thread, in steps that each hold the library lock a moment; the rows that
    // have gone leave the view when the answer comes.
    m_manager->setWork([this, rows = m_view->getRows()](
                           Brenmarle::Database& database) -> Brenmarle::SearchManager::WorkResult {
        constexpr std::size_t STEP = 1000;
        std::vector<int64_t> gone;
        for (std::size_t first = 0; first < rows.size(); first += STEP) {
            const auto begin = rows.begin() + static_cast<std::ptrdiff_t>(first);
            const std::vector<int64_t> step(
                begin, begin + static_cast<std::ptrdiff_t>(std::min(STEP, rows.size() - first)));
            const std::vector<int64_t> found = database.getGoneRowIds(step);
            gone.insert(gone.end(), found.begin(), found.end());
        }
        return [this, gone] { m_view->removeRows(gone); };
    });
}

void PictureSearchPage::onSearchFailed(const wxString& message)
{
    m_failed = true;
    m_count->SetLabel(wxString::Format(_("The search could not run: %s"), message));
    m_count->Wrap(std::max(200, GetClientSize().x - 16));
    Layout();
}

void PictureSearchPage::fillKeywordChoices()
{
    wxArrayString choices;
    for (const wxString& keyword : Brenmarle::KeywordManager::getInstance().getKeywords())
        choices.push_back(keyword);
    m_settingFields = true;
    for (wxComboBox* box : {m_keyword1, m_keyword2}) {
        const wxString value = box->GetValue();
        box->Set(choices);
        box->SetValue(value);
    }
    m_settingFields = false;
}

void PictureSearchPage::onKeywordsChanged(Brenmarle::KeywordEvent&)
{
    fillKeywordChoices();
}
