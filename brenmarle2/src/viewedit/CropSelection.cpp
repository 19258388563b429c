#include "viewedit/CropSelection.h"

#include <algorithm>
#include <cstdlib>

#include <wx/intl.h>

std::vector<CropSelection::Ratio> CropSelection::ratios()
{
    // 10x15 cm prints are 102 x 152 mm: 1.490196, not 1.5.
    return {{_("Restrict to 10x13"), 1333333},
            {_("Restrict to 10x15"), 1490196},
            {_("Restrict to 3:2"), 1500000},
            {_("Restrict to 4:3"), 1333333},
            {_("Restrict to 5:4"), 1250000},
            {_("Restrict to 16:9 (Widescreen)"), 1777777},
            {_("Restrict to 2.35:1 (An. widescreen)"), 2350000},
            {_("Restrict to golden ratio"), 1618033}};
}

wxRect CropSelection::fit(const wxRect& dragged, double ratio)
{
    if (ratio < 1.0 || dragged.width <= 0 || dragged.height <= 0)
        return dragged;
    const double shape = double(dragged.width) / double(dragged.height);
    const double wanted = shape < 1.0 ? 1.0 / ratio : ratio;
    wxRect fitted = dragged;
    if (shape > wanted)
        fitted.width = static_cast<int>(dragged.height * wanted);
    else
        fitted.height = static_cast<int>(dragged.width / wanted);
    return fitted;
}

wxRect CropSelection::fromDrag(const wxPoint& start, const wxPoint& end, double ratio,
                               const wxSize& picture)
{
    const auto clampPoint = [&picture](const wxPoint& p) {
        return wxPoint(std::clamp(p.x, 0, std::max(0, picture.x)),
                       std::clamp(p.y, 0, std::max(0, picture.y)));
    };
    const wxPoint a = clampPoint(start);
    const wxPoint b = clampPoint(end);
    const wxRect dragged(std::min(a.x, b.x), std::min(a.y, b.y), std::abs(a.x - b.x),
                         std::abs(a.y - b.y));
    const wxRect fitted = fit(dragged, ratio);
    if (fitted.width < 1 || fitted.height < 1)
        return wxRect();
    return fitted;
}
