#pragma once
// A camera or card reader that the system mounts as a drive ("usbms://"). Found among the
// mounted volumes (a mounts table in the format of /proc/self/mounts) whose block device sits
// on a USB device in sysfs; the USB device gives the vendor and product ids and the name. A
// device with several mounted drives gives one camera per drive.
//
// Threads: listMounted() on any thread (it only reads files); the camera is immutable.

#include "cameras/CameraList.h"

namespace Brenmarle {

class UsbMassStorageCamera : public Camera {
public:
    static constexpr const char* SCHEME = "usbms://";

    UsbMassStorageCamera(const wxString& uri, const wxString& name, const wxString& vendorId,
                         const wxString& productId, const wxString& mountPoint);

    // A UMSDeviceFolder over the drive.
    FolderRef getDeviceFolder() const override;

    // The USB drives mounted now. `mountsFile` is read with getmntent_r; `sysfsRoot` is where
    // sysfs is mounted ("/sys" on a running system, a scratch tree in tests).
    static CameraList listMounted(const wxString& mountsFile = "/proc/self/mounts",
                                  const wxString& sysfsRoot = "/sys");
};

} // namespace Brenmarle
