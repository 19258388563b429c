#include "thumbnails/ThumbnailUpdateEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(THUMBNAIL_UPDATE, ThumbnailUpdateEvent);

ThumbnailUpdateEvent::ThumbnailUpdateEvent(wxEventType type, int id) : RevocableEvent(type, id) {}

ThumbnailUpdateEvent::ThumbnailUpdateEvent(wxEventType type, const Quorvel::Ref<File>& file,
                                           const Quorvel::Ref<ImageData>& image,
                                           const Values& values, bool failed)
    : RevocableEvent(type), m_file(file), m_image(image), m_values(values), m_failed(failed)
{
}

} // namespace Brenmarle
