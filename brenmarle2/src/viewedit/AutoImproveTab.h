#pragma once
// "Auto Improve": one effect, stretching the contrast.

#include "viewedit/EffectTab.h"

class AutoImproveTab : public EffectTab {
public:
    AutoImproveTab(wxWindow* parent, ImageFrame& frame);
};
