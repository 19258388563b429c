#pragma once
// The GUI side of ImageData: wraps its drawable copy into the toolkit's image class. Kept out of
// the domain library, which builds on wxBase alone; link `brenmarle_gui` to use it.
//
// Threads: wxImage is not shared between threads; call on the thread that will draw (the GUI
// thread), or hand the result over whole.

#include <wx/image.h>

#include "imaging/ImageData.h"

namespace Brenmarle {

class DrawableImage {
public:
    // A copy of the pixels (and alpha, when there is some) as a toolkit image.
    static wxImage fromRGB(const RGBImage& pixels);
    // The picture's drawable copy as a toolkit image. Throws Quorvel::NotLoadedException.
    static wxImage fromImageData(const ImageData& image);
};

} // namespace Brenmarle
