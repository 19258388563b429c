#pragma once
// The header band of a Wizard: on white, the title shown in bold, under it the status line
// (busy text, the page's error or warning with its icon, or the page's description), the five
// busy squares at the right while the wizard is busy, and the "Show Help" link at the top
// right. The band is at least 64 pixels high and grows when the status line needs more lines
// in the desktop's font.
//
// The title and the status line are text controls, not drawn text: a screen reader reads them
// as it reads any label of the window, so its user learns which page is shown. The band, the
// icons and the squares are drawn.
//
// GUI thread only. A child of the wizard, which it reads on every paint.

#include <wx/bitmap.h>
#include <wx/panel.h>

#include "widgets/Wizard.h"

class wxHyperlinkCtrl;
class wxStaticText;

namespace Quorvel {

class Wizard::Header : public wxPanel {
public:
    static constexpr int MIN_HEIGHT = 64;
    static constexpr int TITLE_X = 16;
    static constexpr int TITLE_Y = 12;
    static constexpr int STATUS_Y = 34;
    static constexpr int ICON_X = 44;
    static constexpr int ICON_TEXT_X = 64;
    static constexpr int SQUARES_Y = 39;
    // Square i stands at width - SQUARES_RIGHT + SQUARE_STEP * i.
    static constexpr int SQUARES_RIGHT = 87;
    static constexpr int SQUARE_STEP = 16;
    static constexpr int SQUARE_SIZE = 12;

    explicit Header(Wizard* wizard);

    wxHyperlinkCtrl* getHelpLink() const { return m_helpLink; }
    void hideHelpLink();
    // The labels that show the title and the status line.
    wxStaticText* getTitleLabel() const { return m_title; }
    wxStaticText* getStatusLabel() const { return m_status; }

    // Shows the title and status line the wizard has now, recomputes the band's height for
    // them and repaints it.
    void update();
    // Repaints the part with the status line and the busy squares.
    void refreshStatusStrip();

    // Draws the band as it looks now on `dc`, `size` large: all but the two labels' text.
    void paint(wxDC& dc, const wxSize& size);

private:
    void onPaint(wxPaintEvent& event);
    void onSize(wxSizeEvent& event);
    // The status line's left edge and its lines wrapped to what is left of `width`.
    int statusX(const HeaderStatus& status) const;
    wxArrayString statusLines(const HeaderStatus& status, int width) const;
    int statusY(wxDC& dc) const;
    int bandHeight(wxDC& dc, int width) const;
    void placeHelpLink();
    void showTexts(const HeaderStatus& status, int width);
    void paintBusySquares(wxDC& dc, int width) const;

    Wizard* m_wizard;
    wxHyperlinkCtrl* m_helpLink;
    wxStaticText* m_title;
    wxStaticText* m_status;
    wxBitmap m_errorIcon;
    wxBitmap m_warningIcon;
};

} // namespace Quorvel
