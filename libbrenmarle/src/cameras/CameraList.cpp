#include "cameras/CameraList.h"

namespace Brenmarle {

CameraRef CameraList::find(const wxString& uri) const
{
    for (const CameraRef& camera : *this) {
        if (camera && camera->getURI() == uri)
            return camera;
    }
    return nullptr;
}

} // namespace Brenmarle
