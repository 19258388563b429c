#pragma once
// Photo Calendar: a month calendar whose days with pictures stand out, the months that hold
// pictures with their counts (from the catalogue's date histogram), and the pictures taken on
// the chosen day.
//
// GUI thread only.

#include <map>

#include <wx/panel.h>

class ThumbnailView;
class wxGenericCalendarCtrl;
class wxListBox;
class wxStaticText;

class CalendarMonthView : public wxPanel {
public:
    explicit CalendarMonthView(wxWindow* parent);

    // Reads the date histogram again and marks the month shown.
    void refresh();
    // Shows the pictures taken on `date` (year * 10000 + month * 100 + day).
    void showDay(int32_t date);
    ThumbnailView* getView() const { return m_view; }
    // Pictures per day, as read by the last refresh().
    const std::map<int32_t, int32_t>& getHistogram() const { return m_histogram; }

private:
    void markMonth();
    void onDayChosen();

    wxGenericCalendarCtrl* m_calendar;
    wxListBox* m_months;
    wxStaticText* m_dayTitle;
    ThumbnailView* m_view;
    std::map<int32_t, int32_t> m_histogram;
    std::vector<int32_t> m_monthKeys;
};
