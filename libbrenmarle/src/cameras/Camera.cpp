#include "cameras/Camera.h"

#include "cameras/KnownDevices.h"

namespace Brenmarle {

Camera::Camera(const wxString& uri, const wxString& name, const wxString& vendorId,
               const wxString& productId, const wxString& drive)
    : m_uri(uri), m_name(name), m_model(KnownDevices::modelForIds(vendorId, productId)),
      m_vendorId(vendorId.Lower()), m_productId(productId.Lower()), m_drive(drive)
{
}

} // namespace Brenmarle
