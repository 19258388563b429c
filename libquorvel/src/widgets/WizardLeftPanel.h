#pragma once
// The side bar of a Wizard: on white, the wizard's side-bar picture centred at the top and
// under it the steps in bold: the current page's step white on black, the steps before it
// ticked off, the steps after it in grey.
//
// The steps are text controls, each telling a screen reader whether it is done, the current
// one or still to come; the bar itself is named "Steps" and described by where the user is
// ("Step 2 of 5: Destination"). The picture, the black band and the ticks are drawn.
//
// GUI thread only. A child of the wizard, which it reads on every update and paint.

#include <vector>

#include <wx/panel.h>

#include "widgets/Wizard.h"

class wxStaticText;

namespace Quorvel {

class Wizard::LeftPanel : public wxPanel {
public:
    static constexpr int MIN_WIDTH = 160;

    explicit LeftPanel(Wizard* wizard);

    // Shows the wizard's steps as they stand now (names, current page) and repaints.
    void update();
    // One label per step, in order.
    const std::vector<wxStaticText*>& getStepLabels() const { return m_steps; }

    // Draws the bar as it looks now on `dc`, `size` large: all but the steps' text.
    void paint(wxDC& dc, const wxSize& size);

    // Nothing here to act on: the focus passes it by.
    bool AcceptsFocus() const override { return false; }
    bool AcceptsFocusFromKeyboard() const override { return false; }

private:
    void onPaint(wxPaintEvent& event);
    void onSize(wxSizeEvent& event);
    // Where the steps' text begins, below the picture.
    int firstStepY() const;
    int currentStep() const;

    Wizard* m_wizard;
    std::vector<wxStaticText*> m_steps;
};

} // namespace Quorvel
