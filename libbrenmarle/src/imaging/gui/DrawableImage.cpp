#include "imaging/gui/DrawableImage.h"

#include <cstring>

namespace Brenmarle {

wxImage DrawableImage::fromRGB(const RGBImage& pixels)
{
    const size_t count = size_t(pixels.width) * size_t(pixels.height);
    if (pixels.width <= 0 || pixels.height <= 0 || pixels.rgb.size() != count * 3)
        return wxImage();
    wxImage image(pixels.width, pixels.height, false);
    std::memcpy(image.GetData(), pixels.rgb.data(), pixels.rgb.size());
    if (pixels.alpha.size() == count) {
        image.SetAlpha();
        std::memcpy(image.GetAlpha(), pixels.alpha.data(), count);
    }
    return image;
}

wxImage DrawableImage::fromImageData(const ImageData& image)
{
    return fromRGB(*image.getDrawable());
}

} // namespace Brenmarle
