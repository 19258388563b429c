#pragma once
// "Black/White or Sephia": grey, sepia, and the warmer sepia.

#include "viewedit/EffectTab.h"

class BlackWhiteTab : public EffectTab {
public:
    BlackWhiteTab(wxWindow* parent, ImageFrame& frame);
};
