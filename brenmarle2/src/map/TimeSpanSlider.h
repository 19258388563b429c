#pragma once
// The picture map's timeline: a vertical track over the days from the first to the last
// picture, earliest at the top, with two handles that limit the period. Dragging a handle, or
// the arrow keys (start handle) and Page Up/Page Down (end handle), moves it and sends
// wxEVT_SLIDER. The dates beside the handles are the pictures' own (wall-clock) dates.
//
// GUI thread only.

#include <cstdint>

#include <wx/control.h>

class TimeSpanSlider : public wxControl {
public:
    TimeSpanSlider(wxWindow* parent, wxWindowID id = wxID_ANY);

    // The days (since 1970) the track covers; the handles move to its ends.
    void setLimits(int32_t firstDay, int32_t lastDay);
    int32_t getFirstDay() const { return m_firstDay; }
    int32_t getLastDay() const { return m_lastDay; }
    // The handles, clamped to the limits and kept in order.
    void setSpan(int32_t startDay, int32_t endDay);
    int32_t getStartDay() const { return m_startDay; }
    int32_t getEndDay() const { return m_endDay; }
    // Whether the start handle is at the earliest day.
    bool startsAtFirstDay() const { return m_startDay <= m_firstDay; }

protected:
    wxSize DoGetBestSize() const override;

private:
    enum class Handle { None, Start, End };

    void onPaint(wxPaintEvent& event);
    void onMouse(wxMouseEvent& event);
    void onKey(wxKeyEvent& event);
    void moveTo(Handle handle, int32_t day);
    void notify();
    wxRect trackRect() const;
    int dayToY(int32_t day) const;
    int32_t yToDay(int y) const;

    int32_t m_firstDay = 0;
    int32_t m_lastDay = 0;
    int32_t m_startDay = 0;
    int32_t m_endDay = 0;
    Handle m_dragging = Handle::None;
};
