#pragma once
// The start-up splash: the splash picture with the program's logo and the vendor's logo laid
// over it, a status line ("Loading application...") and a copyright line. It stays up while
// the main window is being built and is closed by its creator. GUI thread only.

#include <wx/bitmap.h>
#include <wx/frame.h>

namespace Quorvel {

class SplashScreen2 : public wxFrame {
public:
    // `logo` and `vendor` may be invalid bitmaps; `background` must be valid.
    SplashScreen2(const wxBitmap& background, const wxBitmap& logo, const wxBitmap& vendor,
                  const wxString& status, const wxString& copyright);

    void setStatus(const wxString& status);

private:
    void onPaint(wxPaintEvent& event);

    wxBitmap m_background;
    wxBitmap m_logo;
    wxBitmap m_vendor;
    wxString m_status;
    wxString m_copyright;
};

} // namespace Quorvel
