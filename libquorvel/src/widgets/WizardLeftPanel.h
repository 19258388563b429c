#pragma once
// The side bar of a Wizard: on white, the wizard's side-bar picture centred at the top and
// under it the steps in bold: the current page's step white on black, the steps before it
// ticked off, the steps after it in grey.
//
// GUI thread only. A child of the wizard, which it reads on every paint.

#include <wx/panel.h>

#include "widgets/Wizard.h"

namespace Quorvel {

class Wizard::LeftPanel : public wxPanel {
public:
    static constexpr int MIN_WIDTH = 160;

    explicit LeftPanel(Wizard* wizard);

    // Draws the bar as it looks now on `dc`, `size` large.
    void paint(wxDC& dc, const wxSize& size);

private:
    void onPaint(wxPaintEvent& event);

    Wizard* m_wizard;
};

} // namespace Quorvel
