#include "map/RegionInfo.h"

#include <wx/filename.h>
#include <wx/log.h>

#include "system/Log.h"

namespace Brenmarle {

namespace {

void ensureGifHandler()
{
    if (!wxImage::FindHandler(wxBITMAP_TYPE_GIF))
        wxImage::AddHandler(new wxGIFHandler);
}

} // namespace

RegionInfo::RegionInfo(const wxString& code, const wxString& picturePath, const wxRect& rect)
    : m_code(code), m_picturePath(picturePath), m_rect(rect)
{
}

bool RegionInfo::loadImage()
{
    if (m_imageTried)
        return m_imageLoaded;
    m_imageTried = true;
    ensureGifHandler();
    if (wxFileName::FileExists(m_picturePath)) {
        // A damaged picture is reported once below, not by the toolkit's own dialog.
        wxLogNull quiet;
        m_imageLoaded = m_image.LoadFile(m_picturePath, wxBITMAP_TYPE_GIF);
    }
    if (!m_imageLoaded) {
        m_image = wxImage();
        QDEBUG("[REGIONMAP] Could not load %s: the whole rectangle of %s is clickable",
               m_picturePath, m_code);
        return false;
    }
    m_lightImage = m_image.Copy();
    m_lightImage.Replace(85, 85, 85, 170, 170, 170);
    return true;
}

const wxImage& RegionInfo::getImage()
{
    loadImage();
    return m_image;
}

const wxImage& RegionInfo::getLightImage()
{
    loadImage();
    return m_lightImage;
}

bool RegionInfo::contains(int x, int y)
{
    if (!m_rect.Contains(x, y))
        return false;
    if (!loadImage())
        return true;
    const int px = x - m_rect.x;
    const int py = y - m_rect.y;
    if (px >= m_image.GetWidth() || py >= m_image.GetHeight())
        return false;
    if (!m_image.HasMask())
        return true;
    return m_image.GetRed(px, py) != m_image.GetMaskRed() ||
           m_image.GetGreen(px, py) != m_image.GetMaskGreen() ||
           m_image.GetBlue(px, py) != m_image.GetMaskBlue();
}

} // namespace Brenmarle
