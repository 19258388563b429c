#include "cameras/CameraManagerEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(CAMERA_FOUND, CameraManagerEvent);
wxDEFINE_EVENT(CAMERA_REMOVED, CameraManagerEvent);

CameraManagerEvent::CameraManagerEvent(wxEventType type, CameraRef camera)
    : wxEvent(0, type), m_camera(std::move(camera))
{
}

} // namespace Brenmarle
