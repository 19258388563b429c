#include "map/TimeSpanSlider.h"

#include <algorithm>

#include <wx/dcbuffer.h>
#include <wx/settings.h>

#include "map/PictureMapModel.h"
#include "ui/Accessibility.h"

namespace {
constexpr int HANDLE_HEIGHT = 10;
constexpr int TRACK_WIDTH = 6;
constexpr int MARGIN = 10;
constexpr int32_t SECONDS_PER_DAY = PictureMapModel::SECONDS_PER_DAY;
} // namespace

TimeSpanSlider::TimeSpanSlider(wxWindow* parent, wxWindowID id)
    : wxControl(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_NONE | wxWANTS_CHARS)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Quorvel::setAccessibleName(*this, _("Time line"));
    Bind(wxEVT_PAINT, &TimeSpanSlider::onPaint, this);
    Bind(wxEVT_LEFT_DOWN, &TimeSpanSlider::onMouse, this);
    Bind(wxEVT_LEFT_UP, &TimeSpanSlider::onMouse, this);
    Bind(wxEVT_MOTION, &TimeSpanSlider::onMouse, this);
    Bind(wxEVT_KEY_DOWN, &TimeSpanSlider::onKey, this);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) { Refresh(), e.Skip(); });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) { Refresh(), e.Skip(); });
}

void TimeSpanSlider::setLimits(int32_t firstDay, int32_t lastDay)
{
    m_firstDay = std::min(firstDay, lastDay);
    m_lastDay = std::max(firstDay, lastDay);
    m_startDay = m_firstDay;
    m_endDay = m_lastDay;
    Refresh();
}

void TimeSpanSlider::setSpan(int32_t startDay, int32_t endDay)
{
    m_startDay = std::clamp(std::min(startDay, endDay), m_firstDay, m_lastDay);
    m_endDay = std::clamp(std::max(startDay, endDay), m_firstDay, m_lastDay);
    Refresh();
}

wxSize TimeSpanSlider::DoGetBestSize() const
{
    const wxSize text = GetTextExtent("0000-00-00");
    return wxSize(text.x + 3 * MARGIN + TRACK_WIDTH, 200);
}

wxRect TimeSpanSlider::trackRect() const
{
    const wxSize size = GetClientSize();
    return wxRect(MARGIN, MARGIN, TRACK_WIDTH, std::max(1, size.y - 2 * MARGIN));
}

int TimeSpanSlider::dayToY(int32_t day) const
{
    const wxRect track = trackRect();
    if (m_lastDay <= m_firstDay)
        return track.y;
    return track.y + int(int64_t(day - m_firstDay) * (track.height - 1) / (m_lastDay - m_firstDay));
}

int32_t TimeSpanSlider::yToDay(int y) const
{
    const wxRect track = trackRect();
    if (track.height <= 1)
        return m_firstDay;
    const int offset = std::clamp(y - track.y, 0, track.height - 1);
    return m_firstDay + int32_t(int64_t(offset) * (m_lastDay - m_firstDay) / (track.height - 1));
}

void TimeSpanSlider::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(wxBrush(GetParent()->GetBackgroundColour()));
    dc.Clear();
    const wxRect track = trackRect();
    const wxColour shadow = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW);
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    dc.SetPen(wxPen(shadow));
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE)));
    dc.DrawRectangle(track);

    const int top = dayToY(m_startDay);
    const int bottom = dayToY(m_endDay);
    dc.SetBrush(wxBrush(highlight));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawRectangle(track.x, top, track.width, bottom - top + 1);

    dc.SetPen(wxPen(HasFocus() ? highlight : shadow, HasFocus() ? 2 : 1));
    dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)));
    dc.SetFont(GetFont());
    dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOWTEXT));
    const int textX = track.GetRight() + MARGIN;
    const int textHeight = dc.GetCharHeight();
    for (const auto& [y, day] :
         {std::make_pair(top, m_startDay), std::make_pair(bottom, m_endDay)}) {
        dc.DrawRoundedRectangle(track.x - 5, y - HANDLE_HEIGHT / 2, track.width + 10, HANDLE_HEIGHT,
                                3);
        // Keep the two dates apart when the handles are close.
        int textY = y - textHeight / 2;
        if (day == m_endDay && m_endDay != m_startDay)
            textY = std::max(textY, top + textHeight / 2 + 2);
        dc.DrawText(PictureMapModel::formatDate(day * SECONDS_PER_DAY), textX, textY);
    }
}

void TimeSpanSlider::onMouse(wxMouseEvent& event)
{
    const int y = event.GetPosition().y;
    if (event.LeftDown()) {
        SetFocus();
        const int toStart = std::abs(y - dayToY(m_startDay));
        const int toEnd = std::abs(y - dayToY(m_endDay));
        m_dragging = (toStart < toEnd || (toStart == toEnd && y < dayToY(m_startDay)))
                         ? Handle::Start
                         : Handle::End;
        CaptureMouse();
        moveTo(m_dragging, yToDay(y));
    } else if (event.LeftUp()) {
        if (HasCapture())
            ReleaseMouse();
        m_dragging = Handle::None;
    } else if (event.Dragging() && m_dragging != Handle::None) {
        moveTo(m_dragging, yToDay(y));
    }
}

void TimeSpanSlider::onKey(wxKeyEvent& event)
{
    const int32_t step = std::max<int32_t>(1, (m_lastDay - m_firstDay) / 50);
    switch (event.GetKeyCode()) {
    case WXK_UP:
        moveTo(Handle::Start, m_startDay - step);
        break;
    case WXK_DOWN:
        moveTo(Handle::Start, m_startDay + step);
        break;
    case WXK_PAGEUP:
        moveTo(Handle::End, m_endDay - step);
        break;
    case WXK_PAGEDOWN:
        moveTo(Handle::End, m_endDay + step);
        break;
    case WXK_HOME:
        moveTo(Handle::Start, m_firstDay);
        break;
    case WXK_END:
        moveTo(Handle::End, m_lastDay);
        break;
    default:
        event.Skip();
    }
}

void TimeSpanSlider::moveTo(Handle handle, int32_t day)
{
    const int32_t oldStart = m_startDay;
    const int32_t oldEnd = m_endDay;
    if (handle == Handle::Start)
        m_startDay = std::clamp(day, m_firstDay, m_endDay);
    else
        m_endDay = std::clamp(day, m_startDay, m_lastDay);
    if (m_startDay != oldStart || m_endDay != oldEnd) {
        Refresh();
        notify();
    }
}

void TimeSpanSlider::notify()
{
    wxCommandEvent event(wxEVT_SLIDER, GetId());
    event.SetEventObject(this);
    ProcessWindowEvent(event);
}
