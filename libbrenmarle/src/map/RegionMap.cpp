#include "map/RegionMap.h"

#include <cmath>
#include <memory>

#include <wx/fileconf.h>
#include <wx/filename.h>
#include <wx/regex.h>
#include <wx/wfstream.h>

#include "system/Log.h"

namespace Brenmarle {

namespace {

// Reads map.ini strictly: a key that is absent keeps its default, a key that is present must
// hold a proper value.
class MapIni {
public:
    MapIni(const wxString& path, wxFileConfig& config) : m_path(path), m_config(config) {}

    wxString text(const wxString& key) const { return m_config.Read(key, wxString()); }

    double number(const wxString& key, double defaultValue) const
    {
        wxString value;
        if (!m_config.Read(key, &value))
            return defaultValue;
        double number = 0;
        if (!value.Trim().Trim(false).ToCDouble(&number) || !std::isfinite(number))
            fail(key, value, "is not a number");
        return number;
    }

    int integer(const wxString& key, int defaultValue, int minimum, int maximum) const
    {
        wxString value;
        if (!m_config.Read(key, &value))
            return defaultValue;
        long number = 0;
        if (!value.Trim().Trim(false).ToCLong(&number))
            fail(key, value, "is not a whole number");
        if (number < minimum || number > maximum)
            fail(key, value, wxString::Format("is not between %d and %d", minimum, maximum));
        return static_cast<int>(number);
    }

    [[noreturn]] void fail(const wxString& key, const wxString& value, const wxString& why) const
    {
        throw RegionMapException(wxString::Format("The region map %s is damaged: %s \"%s\" %s.",
                                                  m_path, key, value, why));
    }

private:
    wxString m_path;
    wxFileConfig& m_config;
};

// Country codes become file names: letters, digits, '-' and '_' only.
bool isSafeCode(const wxString& code)
{
    if (code.empty() || code.length() > 16)
        return false;
    for (wxUniChar c : code) {
        if (!((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
              c == '-' || c == '_'))
            return false;
    }
    return true;
}

} // namespace

RegionMap::RegionMap(const wxString& folder) : m_folder(folder)
{
    const wxString path = wxFileName(folder, "map.ini").GetFullPath();
    if (!wxFileName::FileExists(path)) {
        QDEBUG("[REGIONMAP] No map.ini in %s", folder);
        return;
    }
    wxFileInputStream stream(path);
    if (!stream.IsOk())
        throw RegionMapException(wxString::Format("The region map %s cannot be read.", path));
    wxFileConfig config(stream);
    MapIni ini(path, config);

    m_regionName = ini.text("Map/Region");
    m_description = ini.text("Map/Description");
    m_longitudeStart = ini.number("Coordinates/LongitudeStart", 0);
    m_longitudeEnd = ini.number("Coordinates/LongitudeEnd", 0);
    m_latitudeStart = ini.number("Coordinates/LatitudeStart", 0);
    m_latitudeEnd = ini.number("Coordinates/LatitudeEnd", 0);
    m_pixelWidth = ini.integer("Coordinates/PixelWidth", DEFAULT_WIDTH, 1, MAX_PIXELS);
    m_pixelHeight = ini.integer("Coordinates/PixelHeight", DEFAULT_HEIGHT, 1, MAX_PIXELS);

    wxString group;
    long cookie = 0;
    for (bool more = config.GetFirstGroup(group, cookie); more;
         more = config.GetNextGroup(group, cookie)) {
        if (!group.StartsWith("Region_"))
            continue;
        const wxString code = group.Mid(7);
        if (!isSafeCode(code))
            ini.fail(group, code, "is not a country code");
        const wxString prefix = group + "/";
        const wxRect rect(ini.integer(prefix + "PixelPosLeft", 0, -MAX_PIXELS, MAX_PIXELS),
                          ini.integer(prefix + "PixelPosTop", 0, -MAX_PIXELS, MAX_PIXELS),
                          ini.integer(prefix + "PixelWidth", DEFAULT_COUNTRY_SIZE, 0, MAX_PIXELS),
                          ini.integer(prefix + "PixelHeight", DEFAULT_COUNTRY_SIZE, 0, MAX_PIXELS));
        const wxString picture = wxFileName(folder, code + ".gif").GetFullPath();
        auto region = Quorvel::makeRef<RegionInfo>(code, picture, rect);
        region->setName(ini.text(prefix + "Name"));
        m_regions[code] = region;
    }
}

wxString RegionMap::getBackgroundPath() const
{
    const wxString path = wxFileName(m_folder, "back.png").GetFullPath();
    QDEBUG("[REGIONMAP] Load background from %s", path);
    return path;
}

Quorvel::Ref<RegionInfo> RegionMap::getRegion(const wxString& code) const
{
    const auto found = m_regions.find(code);
    if (found == m_regions.end())
        throw Quorvel::NotFoundException("Region was not found: " + code);
    return found->second;
}

wxString RegionMap::hitTest(int x, int y) const
{
    for (const auto& [code, region] : m_regions) {
        if (region->contains(x, y))
            return code;
    }
    return wxString();
}

bool RegionMap::parseCoordinates(const wxString& text, double& latitude, double& longitude)
{
    wxString cleaned = text;
    cleaned.Replace("\"", "''");
    cleaned.Trim().Trim(false);
    static const wxString part = wxString::FromUTF8("([-]?[0-9]+)\xC2\xB0([0-9]+)'([0-9.]+)''");
    const wxRegEx pattern("^" + part + "N[ ,]*" + part + "E$", wxRE_ADVANCED);
    double values[6] = {};
    bool ok = pattern.IsValid() && pattern.Matches(cleaned);
    for (size_t i = 0; ok && i < 6; ++i)
        ok = pattern.GetMatch(cleaned, i + 1).ToCDouble(&values[i]);
    if (!ok) {
        QDEBUG("[REGIONMAP] COULD NOT PARSE COORDINATES");
        return false;
    }
    // "-0°30'0''N" is south of the equator: the sign is the text's, not the degrees'.
    const auto degrees = [&](const double* v, size_t group) {
        const double magnitude = std::fabs(v[0]) + v[1] / 60.0 + v[2] / 3600.0;
        return pattern.GetMatch(cleaned, group).StartsWith("-") ? -magnitude : magnitude;
    };
    latitude = degrees(values, 1);
    longitude = degrees(values + 3, 4);
    return true;
}

} // namespace Brenmarle
