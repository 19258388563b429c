#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include <wx/dir.h>
#include <wx/ffile.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/palette.h>

#include "map/RegionMap.h"

using Brenmarle::RegionMap;
using Brenmarle::RegionMapException;

namespace {

// A scratch map folder removed again at the end of the test.
class MapFolder {
public:
    MapFolder()
    {
        char pattern[] = "/tmp/regionmap-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~MapFolder() { wxFileName::Rmdir(m_path, wxPATH_RMDIR_RECURSIVE); }
    const wxString& path() const { return m_path; }

    void write(const wxString& name, const wxString& text) const
    {
        wxFFile file(wxFileName(m_path, name).GetFullPath(), "w");
        file.Write(text);
    }
    // A country picture: `country` pixels in (85, 85, 85) on the magenta mask colour.
    void picture(const wxString& code, int width, int height, const wxRect& country) const
    {
        wxImage image(width, height);
        image.SetRGB(wxRect(0, 0, width, height), 255, 0, 255);
        image.SetRGB(country, 85, 85, 85);
        image.SetMaskColour(255, 0, 255);
        // The GIF writer wants a palette.
        const unsigned char red[] = {255, 85}, green[] = {0, 85}, blue[] = {255, 85};
        image.SetPalette(wxPalette(2, red, green, blue));
        if (!wxImage::FindHandler(wxBITMAP_TYPE_GIF))
            wxImage::AddHandler(new wxGIFHandler);
        ASSERT_TRUE(
            image.SaveFile(wxFileName(m_path, code + ".gif").GetFullPath(), wxBITMAP_TYPE_GIF));
    }

private:
    wxString m_path;
};

std::string damageMessage(const wxString& ini)
{
    MapFolder folder;
    folder.write("map.ini", ini);
    try {
        RegionMap map(folder.path());
    } catch (const RegionMapException& e) {
        return e.what();
    }
    return "no error";
}

} // namespace

TEST(RegionMap, MissingIniAndMissingKeysKeepTheDefaults)
{
    MapFolder folder;
    const RegionMap empty(folder.path());
    EXPECT_EQ(empty.getPixelWidth(), 800);
    EXPECT_EQ(empty.getPixelHeight(), 400);
    EXPECT_TRUE(empty.getRegions().empty());

    folder.write("map.ini", "[Map]\nRegion=Europe\n[Coordinates]\nLongitudeStart=-25\n"
                            "LatitudeStart=72.5\nPixelWidth=700\n[Region_NO]\n"
                            "Name=Norway\nPixelPosLeft=30\nPixelPosTop=40\n");
    const RegionMap map(folder.path());
    EXPECT_EQ(map.getRegionName(), "Europe");
    EXPECT_DOUBLE_EQ(map.getLongitudeStart(), -25);
    EXPECT_DOUBLE_EQ(map.getLatitudeStart(), 72.5);
    EXPECT_DOUBLE_EQ(map.getLongitudeEnd(), 0);
    EXPECT_EQ(map.getPixelWidth(), 700);
    EXPECT_EQ(map.getPixelHeight(), 400);
    EXPECT_EQ(map.getRegion("NO")->getRect(), wxRect(30, 40, 20, 20));
    EXPECT_EQ(map.getRegion("NO")->getName(), "Norway");
    EXPECT_EQ(map.getBackgroundPath(), wxFileName(folder.path(), "back.png").GetFullPath());
}

TEST(RegionMap, UnknownCodeThrowsNamingIt)
{
    MapFolder folder;
    const RegionMap map(folder.path());
    try {
        map.getRegion("XX");
        FAIL() << "no exception";
    } catch (const Quorvel::NotFoundException& e) {
        EXPECT_STREQ(e.what(), "Region was not found: XX");
    }
}

TEST(RegionMap, HostileIniGivesAClearError)
{
    EXPECT_NE(damageMessage("[Coordinates]\nPixelWidth=wide\n")
                  .find("Coordinates/PixelWidth \"wide\" is not a whole number"),
              std::string::npos);
    EXPECT_NE(damageMessage("[Coordinates]\nPixelHeight=99999999999\n").find("is not between"),
              std::string::npos);
    EXPECT_NE(damageMessage("[Coordinates]\nLatitudeEnd=nan\n").find("is not a number"),
              std::string::npos);
    EXPECT_NE(damageMessage("[Region_NO]\nPixelWidth=-5\n").find("Region_NO/PixelWidth"),
              std::string::npos);
    // A code becomes a file name: one that leaves the map's folder is refused.
    EXPECT_NE(damageMessage("[Region_..]\nPixelWidth=5\n").find("is not a country code"),
              std::string::npos);
    EXPECT_EQ(damageMessage("[Coordinates]\nPixelWidth= 640 \n"), "no error");
}

TEST(RegionMap, HitTestFollowsTheMaskInCodeOrder)
{
    MapFolder folder;
    // SE lies over NO; its picture has country pixels only in its left half.
    folder.write("map.ini", "[Region_NO]\nPixelPosLeft=10\nPixelPosTop=10\nPixelWidth=10\n"
                            "PixelHeight=10\n[Region_SE]\nPixelPosLeft=5\nPixelPosTop=5\n"
                            "PixelWidth=10\nPixelHeight=10\n[Region_DK]\nPixelPosLeft=100\n"
                            "PixelPosTop=100\n");
    folder.picture("NO", 10, 10, wxRect(5, 5, 5, 5));
    folder.picture("SE", 10, 10, wxRect(0, 0, 5, 10));
    const RegionMap map(folder.path());

    EXPECT_EQ(map.hitTest(6, 6), "SE");
    EXPECT_EQ(map.hitTest(12, 12), ""); // transparent in both
    EXPECT_EQ(map.hitTest(16, 16), "NO");
    EXPECT_EQ(map.hitTest(20, 20), ""); // right of NO's rectangle
    // DK has no picture: its whole 20 x 20 rectangle counts.
    EXPECT_EQ(map.hitTest(100, 100), "DK");
    EXPECT_EQ(map.hitTest(119, 119), "DK");
    EXPECT_EQ(map.hitTest(120, 119), "");
    EXPECT_TRUE(map.getRegion("NO")->isImageLoaded());
    EXPECT_EQ(map.getRegion("NO")->getLightImage().GetRed(7, 7), 170);
}

TEST(RegionMap, PictureSmallerThanItsRectangleIsNoHitBeyondIt)
{
    MapFolder folder;
    folder.write("map.ini", "[Region_IS]\nPixelPosLeft=0\nPixelPosTop=0\nPixelWidth=40\n"
                            "PixelHeight=40\n");
    folder.picture("IS", 8, 8, wxRect(0, 0, 8, 8));
    const RegionMap map(folder.path());
    EXPECT_EQ(map.hitTest(7, 7), "IS");
    EXPECT_EQ(map.hitTest(8, 3), "");
    EXPECT_EQ(map.hitTest(30, 30), "");
}

TEST(RegionMap, DamagedPictureCountsAsItsRectangle)
{
    MapFolder folder;
    folder.write("map.ini", "[Region_FI]\nPixelWidth=5\nPixelHeight=5\n");
    folder.write("FI.gif", "GIF89a broken");
    const RegionMap map(folder.path());
    EXPECT_EQ(map.hitTest(4, 4), "FI");
    EXPECT_FALSE(map.getRegion("FI")->isImageLoaded());
}

TEST(RegionMap, CoordinatesInDegreesMinutesAndSeconds)
{
    double latitude = 0, longitude = 0;
    ASSERT_TRUE(RegionMap::parseCoordinates(wxString::FromUTF8(" 59\xC2\xB0"
                                                               "54'36\"N 10\xC2\xB0"
                                                               "45'0''E "),
                                            latitude, longitude));
    EXPECT_NEAR(latitude, 59.91, 1e-9);
    EXPECT_NEAR(longitude, 10.75, 1e-9);
    ASSERT_TRUE(RegionMap::parseCoordinates(wxString::FromUTF8("-0\xC2\xB0"
                                                               "30'0''N -70\xC2\xB0"
                                                               "0'0''E"),
                                            latitude, longitude));
    EXPECT_DOUBLE_EQ(latitude, -0.5);
    EXPECT_DOUBLE_EQ(longitude, -70);
    EXPECT_FALSE(RegionMap::parseCoordinates("59.9 N, 10.7 E", latitude, longitude));
}
