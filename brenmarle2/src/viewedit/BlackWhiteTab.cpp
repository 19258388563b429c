#include "viewedit/BlackWhiteTab.h"

#include <wx/intl.h>

using Brenmarle::ImageData;

BlackWhiteTab::BlackWhiteTab(wxWindow* parent, ImageFrame& frame)
    : EffectTab(parent, frame, _("Black/White or Sephia"),
                {{_("Make Black/White"), [](ImageData& image) { image.makeGrayscale(); }},
                 {_("Make Sepia"), [](ImageData& image) { image.makeSepia(); }},
                 {_("Make Sepia (Variant 2)"), [](ImageData& image) { image.colorize(); }}})
{
}
