#pragma once
// The camera manager of this system: USB drives from the mounts table and sysfs, and cameras
// that libgphoto2 detects, listed again when udev or the mount table has news (see
// UdevDeviceWatch), or every refresh interval where udev does not run. Every source is
// injectable so tests can "plug in" devices.
//
// Threads: as CameraManager; enumerate() runs on the worker.

#include "cameras/CameraManager.h"
#include "cameras/PtpCamera.h"

namespace Brenmarle {

class LinuxCameraManager : public CameraManager {
public:
    struct Sources {
        Sources() {}
        wxString mountsFile = "/proc/self/mounts";
        wxString sysfsRoot = "/sys";
        // Empty: libgphoto2's detection.
        PtpCamera::Detector detector;
        bool withPtp = true;
        // The udev daemon's control socket: while it exists, devices are watched instead of
        // looked for on a timer. Empty: never watch.
        wxString udevControl = "/run/udev/control";
    };

    explicit LinuxCameraManager(Sources sources = Sources(), int intervalMs = REFRESH_INTERVAL_MS);
    // The worker is stopped here, before any base destructor runs: it posts through this object's
    // virtual functions, and a base destructor would change them under its feet.
    ~LinuxCameraManager() override { stop(); }

    // The drives first, then the cameras.
    static CameraList enumerate(const Sources& sources);
};

} // namespace Brenmarle
