#pragma once
// A region map: a folder under the program's "maps" resources ("world/europe") holding
// "map.ini" (the map's edges in degrees, its size in pixels and one "Region_<code>" group per
// country), the background "back.png" and one "<code>.gif" per country.
//
// A missing map.ini leaves the defaults: an 800 x 400 map without countries. A map.ini whose
// values are not numbers, out of range, or whose country codes could name another file, throws
// RegionMapException naming the file, the key and the value.
//
// GUI thread only. Needs no display.

#include <map>

#include <wx/string.h>

#include "map/RegionInfo.h"
#include "system/Exceptions.h"
#include "threads/ReferenceCounted.h"

namespace Brenmarle {

QUORVEL_DECLARE_EXCEPTION(RegionMapException, Quorvel::RuntimeException, "Map.BadRegionMap")

class RegionMap {
public:
    static constexpr int DEFAULT_WIDTH = 800;
    static constexpr int DEFAULT_HEIGHT = 400;
    static constexpr int DEFAULT_COUNTRY_SIZE = 20;
    // Larger maps or countries are refused as damaged rather than allocated.
    static constexpr int MAX_PIXELS = 20000;

    // Reads `folder` + "/map.ini". Throws RegionMapException (see above).
    explicit RegionMap(const wxString& folder);

    const wxString& getFolder() const { return m_folder; }
    const wxString& getRegionName() const { return m_regionName; }
    const wxString& getDescription() const { return m_description; }
    double getLongitudeStart() const { return m_longitudeStart; }
    double getLongitudeEnd() const { return m_longitudeEnd; }
    double getLatitudeStart() const { return m_latitudeStart; }
    double getLatitudeEnd() const { return m_latitudeEnd; }
    int getPixelWidth() const { return m_pixelWidth; }
    int getPixelHeight() const { return m_pixelHeight; }
    // "back.png" in the folder; logs "[REGIONMAP] Load background from %s".
    wxString getBackgroundPath() const;

    // Countries keyed by code, in code order.
    const std::map<wxString, Quorvel::Ref<RegionInfo>>& getRegions() const { return m_regions; }
    // Throws Quorvel::NotFoundException "Region was not found: " + code.
    Quorvel::Ref<RegionInfo> getRegion(const wxString& code) const;
    // The first country in code order that holds map pixel (x, y); empty when none does.
    wxString hitTest(int x, int y) const;

    // Reads a position written as degrees, minutes and seconds, north then east
    // ("59°54'50''N 10°45'8''E"; a double quote counts as two single quotes). False, with
    // "[REGIONMAP] COULD NOT PARSE COORDINATES" logged, for any other text.
    static bool parseCoordinates(const wxString& text, double& latitude, double& longitude);

private:
    wxString m_folder;
    wxString m_regionName;
    wxString m_description;
    double m_longitudeStart = 0;
    double m_longitudeEnd = 0;
    double m_latitudeStart = 0;
    double m_latitudeEnd = 0;
    int m_pixelWidth = DEFAULT_WIDTH;
    int m_pixelHeight = DEFAULT_HEIGHT;
    std::map<wxString, Quorvel::Ref<RegionInfo>> m_regions;
};

} // namespace Brenmarle
