#include "cameras/LinuxCameraManager.h"

#include "cameras/UdevDeviceWatch.h"
#include "cameras/UsbMassStorageCamera.h"
#include "system/Log.h"

namespace Brenmarle {

namespace {

LinuxCameraManager::Sources detectingOnUsbChange(LinuxCameraManager::Sources sources)
{
    sources.detector = PtpCamera::detectOnUsbChange(std::move(sources.detector), sources.sysfsRoot);
    return sources;
}

std::unique_ptr<DeviceWatch> watchFor(const LinuxCameraManager::Sources& sources)
{
    if (sources.udevControl.empty())
        return nullptr;
    return UdevDeviceWatch::open(sources.udevControl, sources.mountsFile);
}

} // namespace

LinuxCameraManager::LinuxCameraManager(Sources sources, int intervalMs)
    : CameraManager([sources = detectingOnUsbChange(sources)] { return enumerate(sources); },
                    intervalMs, watchFor(sources))
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
