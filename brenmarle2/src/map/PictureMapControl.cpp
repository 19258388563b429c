#include "map/PictureMapControl.h"

#include <iterator>

#include <wx/dcbuffer.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/settings.h>

#include "ui/Accessibility.h"

namespace {
const wxColour WITH_PICTURES(231, 180, 95);
} // namespace

PictureMapControl::PictureMapControl(wxWindow* parent, wxWindowID id)
    : wxWindow(parent, id, wxDefaultPosition, wxDefaultSize, wxBORDER_THEME | wxWANTS_CHARS)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Quorvel::setAccessibleName(*this, _("Map"));
    Bind(wxEVT_PAINT, &PictureMapControl::onPaint, this);
    Bind(wxEVT_LEFT_DOWN, &PictureMapControl::onLeftDown, this);
    Bind(wxEVT_KEY_DOWN, &PictureMapControl::onKey, this);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& e) { Refresh(), e.Skip(); });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& e) { Refresh(), e.Skip(); });
}

void PictureMapControl::setMap(std::unique_ptr<Brenmarle::RegionMap> map)
{
    m_map = std::move(map);
    m_background = wxBitmap();
    m_surround = wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW);
    m_tinted.clear();
    m_selection.clear();
    if (m_map) {
        const wxString path = m_map->getBackgroundPath();
        wxImage image;
        if (!wxImage::FindHandler(wxBITMAP_TYPE_PNG))
            wxImage::AddHandler(new wxPNGHandler);
        if (wxFileName::FileExists(path)) {
            wxLogNull quiet;
            image.LoadFile(path, wxBITMAP_TYPE_PNG);
        }
        if (image.IsOk()) {
            m_background = wxBitmap(image);
            // Around a map smaller than the control the sea goes on.
            m_surround = wxColour(image.GetRed(0, 0), image.GetGreen(0, 0), image.GetBlue(0, 0));
        } else
            wxLogTrace("DEBUG", "[REGIONMAP] No background in %s", path);
    }
    InvalidateBestSize();
    Refresh();
}

void PictureMapControl::setCountriesWithPictures(const std::set<wxString>& codes)
{
    m_withPictures = codes;
    Refresh();
}

void PictureMapControl::setSelection(const wxString& code)
{
    m_selection = code;
    Refresh();
}

wxSize PictureMapControl::DoGetBestSize() const
{
    if (!m_map)
        return wxSize(400, 300);
    return wxSize(m_map->getPixelWidth() + 2, m_map->getPixelHeight() + 2);
}

wxPoint PictureMapControl::mapOrigin() const
{
    if (!m_map)
        return wxPoint();
    const wxSize size = GetClientSize();
    return wxPoint(std::max(0, (size.x - m_map->getPixelWidth()) / 2),
                   std::max(0, (size.y - m_map->getPixelHeight()) / 2));
}

void PictureMapControl::clickAt(const wxPoint& point)
{
    if (!m_map)
        return;
    const wxPoint origin = mapOrigin();
    select(m_map->hitTest(point.x - origin.x, point.y - origin.y));
}

void PictureMapControl::stepSelection(int step)
{
    if (!m_map || m_map->getRegions().empty())
        return;
    const auto& regions = m_map->getRegions();
    auto at = regions.find(m_selection);
    if (at == regions.end()) {
        at = step > 0 ? regions.begin() : std::prev(regions.end());
    } else if (step > 0) {
        if (++at == regions.end())
            at = regions.begin();
    } else {
        at = at == regions.begin() ? std::prev(regions.end()) : std::prev(at);
    }
    select(at->first);
}

void PictureMapControl::select(const wxString& code)
{
    m_selection = code;
    Refresh();
    wxCommandEvent event(wxEVT_BUTTON, GetId());
    event.SetEventObject(this);
    event.SetString(m_selection);
    ProcessWindowEvent(event);
}

void PictureMapControl::onLeftDown(wxMouseEvent& event)
{
    SetFocus();
    clickAt(event.GetPosition());
    event.Skip();
}

void PictureMapControl::onKey(wxKeyEvent& event)
{
    switch (event.GetKeyCode()) {
    case WXK_RIGHT:
    case WXK_DOWN:
        stepSelection(1);
        break;
    case WXK_LEFT:
    case WXK_UP:
        stepSelection(-1);
        break;
    default:
        event.Skip();
    }
}

const wxBitmap& PictureMapControl::tinted(const wxString& code, const wxColour& colour)
{
    const auto key = std::make_pair(code, colour.GetRGB());
    auto found = m_tinted.find(key);
    if (found != m_tinted.end())
        return found->second;
    wxBitmap bitmap;
    const wxImage& source = m_map->getRegion(code)->getImage();
    if (source.IsOk()) {
        wxImage image = source.Copy();
        image.Replace(85, 85, 85, colour.Red(), colour.Green(), colour.Blue());
        bitmap = wxBitmap(image);
    }
    return m_tinted[key] = bitmap;
}

void PictureMapControl::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    dc.SetBackground(
        wxBrush(m_map ? m_surround : wxSystemSettings::GetColour(wxSYS_COLOUR_WINDOW)));
    dc.Clear();
    if (!m_map) {
        const wxString text = _("No map displayed");
        const wxSize size = GetClientSize();
        const wxSize extent = dc.GetTextExtent(text);
        dc.SetTextForeground(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
        dc.DrawText(text, (size.x - extent.x) / 2, (size.y - extent.y) / 2);
        return;
    }
    const wxPoint origin = mapOrigin();
    if (m_background.IsOk())
        dc.DrawBitmap(m_background, origin);
    const wxColour highlight = wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT);
    const auto draw = [&](const wxString& code, const wxColour& colour) {
        const auto& regions = m_map->getRegions();
        const auto region = regions.find(code);
        if (region == regions.end())
            return;
        const wxRect rect = region->second->getRect();
        const wxBitmap& bitmap = tinted(code, colour);
        if (bitmap.IsOk()) {
            dc.DrawBitmap(bitmap, origin + rect.GetPosition(), true);
        } else {
            // No picture: the country is its rectangle.
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(wxBrush(colour));
            dc.DrawRectangle(wxRect(origin + rect.GetPosition(), rect.GetSize()));
        }
    };
    for (const wxString& code : m_withPictures) {
        if (code != m_selection)
            draw(code, WITH_PICTURES);
    }
    if (!m_selection.empty())
        draw(m_selection, highlight);
    if (HasFocus()) {
        dc.SetPen(wxPen(highlight, 2));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(wxRect(GetClientSize()).Deflate(1));
    }
}
