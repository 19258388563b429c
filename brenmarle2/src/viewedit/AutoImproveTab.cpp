#include "viewedit/AutoImproveTab.h"

#include <wx/intl.h>

AutoImproveTab::AutoImproveTab(wxWindow* parent, ImageFrame& frame)
    : EffectTab(parent, frame, _("Auto Improve"),
                {{_("Autofix Contrast"), [](Brenmarle::ImageData& image) { image.normalize(); }}})
{
}
