#pragma once
// "Brightness & Contrast": two sliders preview on the view's display copy as they move;
// "Apply" changes the full-size picture once.

#include <wx/slider.h>

#include "viewedit/EditTab.h"

class BrightnessContrastTab : public EditTab {
public:
    BrightnessContrastTab(wxWindow* parent, ImageFrame& frame);

    void reset() override;
    void apply() override;

    wxSlider* getBrightness() const { return m_brightness; }
    wxSlider* getContrast() const { return m_contrast; }

private:
    void moved(bool brightness);

    wxSlider* m_brightness;
    wxSlider* m_contrast;
};
