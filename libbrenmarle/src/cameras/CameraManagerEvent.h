#pragma once
// A camera appeared (CAMERA_FOUND) or went away (CAMERA_REMOVED); carries the camera.
// Sent by the camera manager on the GUI thread.

#include <wx/event.h>

#include "cameras/Camera.h"

namespace Brenmarle {

class CameraManagerEvent : public wxEvent {
public:
    CameraManagerEvent(wxEventType type, CameraRef camera);

    const CameraRef& getCamera() const { return m_camera; }
    wxEvent* Clone() const override { return new CameraManagerEvent(*this); }

private:
    CameraRef m_camera;
};

wxDECLARE_EVENT(CAMERA_FOUND, CameraManagerEvent);
wxDECLARE_EVENT(CAMERA_REMOVED, CameraManagerEvent);

} // namespace Brenmarle
