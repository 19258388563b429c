#pragma once
// The geometry of the crop tab's selection, apart from any window: the print ratios offered,
// and how a dragged rectangle becomes the selection (kept within the picture, fitted to the
// ratio). All in picture pixels.

#include <vector>

#include <wx/gdicmn.h>
#include <wx/string.h>

class CropSelection {
public:
    struct Ratio {
        wxString label;  // translated
        long millionths; // the ratio times 1,000,000, as offered
        double value() const { return double(millionths) / 1000000.0; }
    };

    // The eight entries of the ratio choice, in their order.
    static std::vector<Ratio> ratios();

    // `dragged` fitted to `ratio` (width : height of a landscape selection; a portrait
    // selection takes its inverse). A ratio below 1 (0: unrestricted) leaves it as dragged.
    // One side shrinks, the top-left corner stays.
    static wxRect fit(const wxRect& dragged, double ratio);

    // The selection a drag from `start` to `end` makes on a picture of `picture` size: both
    // points kept within the picture, the rectangle between them fitted to `ratio`. Empty (no
    // selection) when it is less than one pixel wide or high, such as after a plain click.
    static wxRect fromDrag(const wxPoint& start, const wxPoint& end, double ratio,
                           const wxSize& picture);
};
