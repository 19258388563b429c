#include "viewedit/BrightnessContrastTab.h"

#include <wx/intl.h>

#include "system/Log.h"
#include "viewedit/ImageFrame.h"
#include "viewedit/ImageView2.h"

BrightnessContrastTab::BrightnessContrastTab(wxWindow* parent, ImageFrame& frame)
    : EditTab(parent, frame, _("Brightness & Contrast"), _("Apply"),
              _("Click the 'Apply' button if you are satisfied with the result."))
{
    auto* grid = new wxFlexGridSizer(2, FromDIP(4), FromDIP(8));
    grid->AddGrowableCol(1);
    const auto addSlider = [&](const wxString& label) {
        auto* text = new wxStaticText(this, wxID_ANY, label);
        auto* slider = new wxSlider(this, wxID_ANY, 0, -100, 100, wxDefaultPosition,
                                    wxSize(FromDIP(320), -1), wxSL_HORIZONTAL | wxSL_LABELS);
        slider->SetName(wxStripMenuCodes(label).BeforeLast(':'));
        grid->Add(text, 0, wxALIGN_CENTER_VERTICAL);
        grid->Add(slider, 1, wxEXPAND);
        return slider;
    };
    m_brightness = addSlider(_("Brightness:"));
    m_contrast = addSlider(_("Contrast:"));
    getControls()->Add(grid, 1, wxEXPAND);
    m_brightness->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) { moved(true); });
    m_contrast->Bind(wxEVT_SLIDER, [this](wxCommandEvent&) { moved(false); });
}

void BrightnessContrastTab::moved(bool brightness)
{
    if (brightness)
        QDEBUG("[EDITPANEL] Set brightness = %d", m_brightness->GetValue());
    else
        QDEBUG("[EDITPANEL] Set contrast = %d", m_contrast->GetValue());
    frame().getView()->setBrightnessContrast(m_brightness->GetValue(), m_contrast->GetValue());
    setPreviewing(true);
}

void BrightnessContrastTab::reset()
{
    m_brightness->SetValue(0);
    m_contrast->SetValue(0);
    frame().getView()->setBrightnessContrast(0, 0);
    setPreviewing(false);
}

void BrightnessContrastTab::apply()
{
    const int brightness = m_brightness->GetValue();
    const int contrast = m_contrast->GetValue();
    // The view shows the adjusted picture itself from now on, not a preview of it.
    frame().getView()->setBrightnessContrast(0, 0);
    frame().adjust(brightness, contrast);
    reset();
}
