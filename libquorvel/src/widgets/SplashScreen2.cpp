#include "widgets/SplashScreen2.h"

#include <wx/dcbuffer.h>

namespace Quorvel {

SplashScreen2::SplashScreen2(const wxBitmap& background, const wxBitmap& logo,
                             const wxBitmap& vendor, const wxString& status,
                             const wxString& copyright)
    : wxFrame(nullptr, wxID_ANY, wxString(), wxDefaultPosition, background.GetSize(),
              wxFRAME_NO_TASKBAR | wxSTAY_ON_TOP | wxBORDER_NONE),
      m_background(background), m_logo(logo), m_vendor(vendor), m_status(status),
      m_copyright(copyright)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetClientSize(background.GetSize());
    Bind(wxEVT_PAINT, &SplashScreen2::onPaint, this);
    CentreOnScreen();
}

void SplashScreen2::setStatus(const wxString& status)
{
    m_status = status;
    Refresh();
    Update();
}

void SplashScreen2::onPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    dc.DrawBitmap(m_background, 0, 0);
    if (m_logo.IsOk())
        dc.DrawBitmap(m_logo, 24, 24, true);
    if (m_vendor.IsOk())
        dc.DrawBitmap(m_vendor, size.x - m_vendor.GetWidth() - 24,
                      size.y - m_vendor.GetHeight() - 24, true);
    dc.SetTextForeground(*wxWHITE);
    wxFont font = GetFont();
    dc.SetFont(font);
    dc.DrawText(m_status, 24, size.y - 2 * font.GetPixelSize().y - 28);
    dc.SetFont(font.Smaller());
    dc.DrawText(m_copyright, 24, size.y - font.GetPixelSize().y - 20);
}

} // namespace Quorvel
