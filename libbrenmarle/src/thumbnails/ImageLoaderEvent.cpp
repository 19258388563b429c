#include "thumbnails/ImageLoaderEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(IMAGE_LOADED, ImageLoaderEvent);
wxDEFINE_EVENT(IMAGE_PREVIEW, ImageLoaderEvent);
wxDEFINE_EVENT(IMAGE_FAILED, ImageLoaderEvent);

ImageLoaderEvent::ImageLoaderEvent(wxEventType type, int id) : RevocableEvent(type, id) {}

ImageLoaderEvent::ImageLoaderEvent(wxEventType type, const Quorvel::Ref<File>& file,
                                   const Quorvel::Ref<ImageData>& image, int rotation, int width,
                                   int height)
    : RevocableEvent(type), m_file(file), m_image(image), m_rotation(rotation), m_width(width),
      m_height(height)
{
}

} // namespace Brenmarle
