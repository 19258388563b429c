#include "cameras/LinuxCameraManager.h"

#include "cameras/UsbMassStorageCamera.h"
#include "system/Log.h"

namespace Brenmarle {

LinuxCameraManager::LinuxCameraManager(Sources sources, int intervalMs)
    : CameraManager([sources] { return enumerate(sources); }, intervalMs)
{
    QDEBUG("[LINUXCAMERAMANAGER] Starting");
}

CameraList LinuxCameraManager::enumerate(const Sources& sources)
{
    CameraList cameras = UsbMassStorageCamera::listMounted(sources.mountsFile, sources.sysfsRoot);
    if (sources.withPtp) {
        for (CameraRef& camera : PtpCamera::listConnected(sources.detector, sources.sysfsRoot))
            cameras.push_back(std::move(camera));
    }
    return cameras;
}

} // namespace Brenmarle
