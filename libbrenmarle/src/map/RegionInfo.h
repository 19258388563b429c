#pragma once
// One clickable country of a region map: its code, its rectangle on the map and its picture
// (code + ".gif" in the map's folder), whose mask colour marks the pixels outside the country.
// The picture is read on first use and kept; a picture that cannot be read is not tried again,
// and the country then counts as its whole rectangle.
//
// GUI thread only (wxImage is not shared between threads). Needs no display.

#include <wx/gdicmn.h>
#include <wx/image.h>
#include <wx/string.h>

#include "threads/ReferenceCounted.h"

namespace Brenmarle {

class RegionInfo : public Quorvel::ReferenceCounted {
public:
    RegionInfo(const wxString& code, const wxString& picturePath, const wxRect& rect);

    const wxString& getCode() const { return m_code; }
    const wxRect& getRect() const { return m_rect; }
    const wxString& getPicturePath() const { return m_picturePath; }
    // The name map.ini gives the country ("Name"), empty when it gives none; the program's
    // own country table names countries in the user's language and comes first.
    const wxString& getName() const { return m_name; }
    void setName(const wxString& name) { m_name = name; }

    // Reads the picture once; false when it is missing or unreadable (logged once).
    bool loadImage();
    bool isImageLoaded() const { return m_imageLoaded; }
    // The picture as stored, and its lighter form with (85, 85, 85) drawn as (170, 170, 170).
    // Empty (not IsOk) when the picture could not be read.
    const wxImage& getImage();
    const wxImage& getLightImage();

    // Whether map pixel (x, y) belongs to the country: inside the rectangle and, when the
    // picture is readable, on one of its pixels that differ from the mask colour. A point of
    // the rectangle beyond a smaller picture is outside the country.
    bool contains(int x, int y);

private:
    wxString m_code;
    wxString m_picturePath;
    wxString m_name;
    wxRect m_rect;
    wxImage m_image;
    wxImage m_lightImage;
    bool m_imageTried = false;
    bool m_imageLoaded = false;
};

} // namespace Brenmarle
