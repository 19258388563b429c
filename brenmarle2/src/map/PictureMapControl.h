#pragma once
// Draws a region map: the background, the countries that have pictures in the period in a
// tint, the selected country in the highlight colour. A click selects the country under it
// (or clears the selection) and sends wxEVT_BUTTON; so do the arrow keys, which step through
// the countries in code order. Without a map it says "No map displayed".
//
// GUI thread only.

#include <map>
#include <memory>
#include <set>

#include <wx/bitmap.h>
#include <wx/window.h>

#include "map/RegionMap.h"

class PictureMapControl : public wxWindow {
public:
    explicit PictureMapControl(wxWindow* parent, wxWindowID id = wxID_ANY);

    // Takes the map (none clears it); the selection is cleared. The background is read here.
    void setMap(std::unique_ptr<Brenmarle::RegionMap> map);
    Brenmarle::RegionMap* getMap() const { return m_map.get(); }
    // The countries drawn as having pictures.
    void setCountriesWithPictures(const std::set<wxString>& codes);

    // Empty when nothing is selected.
    const wxString& getSelection() const { return m_selection; }
    void setSelection(const wxString& code);
    // What a click at control pixel `point` does.
    void clickAt(const wxPoint& point);
    // Selects the next (`step` 1) or previous (-1) country in code order, as the arrow keys do.
    void stepSelection(int step);

protected:
    wxSize DoGetBestSize() const override;

private:
    void onPaint(wxPaintEvent& event);
    void onLeftDown(wxMouseEvent& event);
    void onKey(wxKeyEvent& event);
    void select(const wxString& code);
    // The country's picture in `colour`, made once per country and colour.
    const wxBitmap& tinted(const wxString& code, const wxColour& colour);
    wxPoint mapOrigin() const;

    std::unique_ptr<Brenmarle::RegionMap> m_map;
    wxBitmap m_background;
    wxColour m_surround;
    std::set<wxString> m_withPictures;
    wxString m_selection;
    std::map<std::pair<wxString, wxUint32>, wxBitmap> m_tinted;
};
