#include "mainframe/CalendarMonthView.h"

#include <wx/calctrl.h>
#include <wx/generic/calctrlg.h>
#include <wx/listbox.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "ui/Accessibility.h"
#include "widgets/ThumbnailView.h"

namespace {

int32_t dateKey(const wxDateTime& date)
{
    return date.GetYear() * 10000 + (static_cast<int>(date.GetMonth()) + 1) * 100 + date.GetDay();
}

} // namespace

CalendarMonthView::CalendarMonthView(wxWindow* parent) : wxPanel(parent, wxID_ANY)
{
    SetName("CalendarMonthView");
    auto* left = new wxBoxSizer(wxVERTICAL);
    m_calendar = new wxGenericCalendarCtrl(this, wxID_ANY, wxDefaultDateTime, wxDefaultPosition,
                                           wxDefaultSize,
                                           wxCAL_SHOW_HOLIDAYS | wxCAL_SHOW_SURROUNDING_WEEKS);
    m_calendar->SetName("Calendar");
    Quorvel::setAccessibleName(*m_calendar, _("Calendar"));
    // Its month and year fields sit beside it, not inside it.
    if (wxControl* month = m_calendar->GetMonthControl())
        Quorvel::setAccessibleName(*month, _("Month"));
    if (wxControl* year = m_calendar->GetYearControl())
        Quorvel::setAccessibleName(*year, _("Year"));
    left->Add(m_calendar, 0, wxALL, 6);
    left->Add(new wxStaticText(this, wxID_ANY, _("Months with pictures:")), 0,
              wxLEFT | wxRIGHT | wxTOP, 6);
    m_months = new wxListBox(this, wxID_ANY);
    m_months->SetName("Months");
    Quorvel::setAccessibleName(*m_months, _("Months with pictures"));
    left->Add(m_months, 1, wxEXPAND | wxALL, 6);

    auto* right = new wxBoxSizer(wxVERTICAL);
    m_dayTitle = new wxStaticText(this, wxID_ANY, wxString());
    m_dayTitle->SetFont(m_dayTitle->GetFont().Bold());
    right->Add(m_dayTitle, 0, wxALL, 6);
    m_view = new ThumbnailView(this);
    m_view->setAccessibleLabel(_("Pictures of the day"));
    m_view->setEmptyText(_("Choose a day in bold to see the pictures taken on it."));
    right->Add(m_view, 1, wxEXPAND);

    auto* sizer = new wxBoxSizer(wxHORIZONTAL);
    sizer->Add(left, 0, wxEXPAND);
    sizer->Add(right, 1, wxEXPAND);
    SetSizer(sizer);

    m_calendar->Bind(wxEVT_CALENDAR_SEL_CHANGED, [this](wxCalendarEvent&) { onDayChosen(); });
    m_calendar->Bind(wxEVT_CALENDAR_PAGE_CHANGED, [this](wxCalendarEvent&) { markMonth(); });
    m_months->Bind(wxEVT_LISTBOX, [this](wxCommandEvent& event) {
        const int row = event.GetSelection();
        if (row < 0 || row >= static_cast<int>(m_monthKeys.size()))
            return;
        const int32_t month = m_monthKeys[row];
        // The first day of the month with pictures.
        auto day = m_histogram.lower_bound(month * 100);
        const int32_t date = day != m_histogram.end() ? day->first : month * 100 + 1;
        m_calendar->SetDate(
            wxDateTime(date % 100, wxDateTime::Month((date / 100) % 100 - 1), date / 10000));
        markMonth();
        onDayChosen();
    });
}

void CalendarMonthView::refresh()
{
    m_histogram.clear();
    Brenmarle::Database& database = Brenmarle::Database::getInstance();
    if (database.isOpen()) {
        try {
            m_histogram = database.getDateHistogram();
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[CALENDAR] %s", e.getMessage());
        }
    }
    std::map<int32_t, int32_t> months;
    for (const auto& [date, count] : m_histogram)
        months[date / 100] += count;
    m_months->Clear();
    m_monthKeys.clear();
    for (auto month = months.rbegin(); month != months.rend(); ++month) {
        const wxDateTime first(1, wxDateTime::Month(month->first % 100 - 1), month->first / 100);
        m_months->Append(
            wxString::Format(wxPLURAL("%s (%d picture)", "%s (%d pictures)", month->second),
                             first.Format("%B %Y"), month->second));
        m_monthKeys.push_back(month->first);
    }
    if (m_monthKeys.empty()) {
        m_months->Append(_("None of your pictures has a date yet."));
        m_months->Disable();
    } else {
        m_months->Enable();
        // Open on the latest day with pictures when the month shown has none.
        const wxDateTime shown = m_calendar->GetDate();
        const int32_t month = shown.GetYear() * 100 + static_cast<int>(shown.GetMonth()) + 1;
        if (!months.count(month)) {
            const int32_t last = m_histogram.rbegin()->first;
            m_calendar->SetDate(
                wxDateTime(last % 100, wxDateTime::Month((last / 100) % 100 - 1), last / 10000));
            markMonth();
            showDay(last);
            return;
        }
    }
    markMonth();
}

void CalendarMonthView::markMonth()
{
    const wxDateTime shown = m_calendar->GetDate();
    const int month = static_cast<int>(shown.GetMonth());
    const int year = shown.GetYear();
    const int days = wxDateTime::GetNumberOfDays(shown.GetMonth(), year);
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    for (int day = 1; day <= days; ++day) {
        const int32_t key = year * 10000 + (month + 1) * 100 + day;
        if (m_histogram.count(key)) {
            auto* attr = new wxCalendarDateAttr(highlight);
            attr->SetFont(m_calendar->GetFont().Bold());
            m_calendar->SetAttr(day, attr);
        } else {
            m_calendar->ResetAttr(day);
        }
    }
    m_calendar->Refresh();
}

void CalendarMonthView::onDayChosen()
{
    showDay(dateKey(m_calendar->GetDate()));
}

void CalendarMonthView::showDay(int32_t date)
{
    const wxDateTime day(date % 100, wxDateTime::Month((date / 100) % 100 - 1), date / 10000);
    const auto found = m_histogram.find(date);
    const int count = found == m_histogram.end() ? 0 : found->second;
    m_dayTitle->SetLabel(wxString::Format(wxPLURAL("%s: %d picture", "%s: %d pictures", count),
                                          day.Format("%A, %d %B %Y"), count));
    ThumbnailView::Files files;
    if (count > 0 && Brenmarle::FileManager::exists()) {
        try {
            Brenmarle::Database& database = Brenmarle::Database::getInstance();
            Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
            const auto rows = database.getRowIds(wxString::Format(
                "SELECT rowid FROM file WHERE yeardateint = %d ORDER BY time", date));
            for (int64_t row : rows)
                files.push_back(manager.getFile(database.getFileUri(row)));
        } catch (const Quorvel::Exception& e) {
            wxLogError(_("Could not read the pictures of %s: %s"), day.FormatDate(),
                       e.getMessage());
        }
    }
    m_view->setEmptyText(count > 0 ? _("No pictures here.")
                                   : _("No pictures were taken on this day. Days in bold have "
                                       "pictures."));
    m_view->setFiles(files);
    Layout();
}
