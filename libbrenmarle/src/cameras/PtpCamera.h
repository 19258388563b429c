#pragma once
// A camera that talks its own picture-transfer protocol over USB rather than appearing as a
// drive ("wia://" followed by its libgphoto2 port, such as "usb:001,005"). Reached through
// libgphoto2; the USB ids come from the sysfs device on the same bus and device number.
//
// Threads: listConnected() on any thread but not while a device folder of a camera reads it
// (the camera manager holds its probing meanwhile); the camera is immutable.

#include <functional>
#include <vector>

#include "cameras/CameraList.h"

namespace Brenmarle {

class PtpCamera : public Camera {
public:
    static constexpr const char* SCHEME = "wia://";
    // The name of a device that names no model.
    static constexpr const char* DEFAULT_NAME = "USB Camera";

    struct Detected {
        wxString model; // libgphoto2's model name
        wxString port;  // libgphoto2's port path
    };
    using Detector = std::function<std::vector<Detected>()>;

    PtpCamera(const wxString& gphotoModel, const wxString& port, const wxString& vendorId,
              const wxString& productId);

    const wxString& getGPhotoModel() const { return m_gphotoModel; }
    const wxString& getPort() const { return m_port; }

    // A PtpDeviceFolder; opening the camera waits for the first listing.
    FolderRef getDeviceFolder() const override;

    // The cameras libgphoto2 detects now, without mass-storage volumes.
    static std::vector<Detected> detect();
    // Cameras for `detected` (libgphoto2's detection by default), with their USB ids read
    // under `sysfsRoot`. A detection that fails gives no cameras.
    static CameraList listConnected(const Detector& detector = Detector(),
                                    const wxString& sysfsRoot = "/sys");
    // A detector that asks `detector` (libgphoto2 when empty) again only when the USB devices
    // under `sysfsRoot` changed, and otherwise answers what it found last. A full detection
    // walks every camera model libgphoto2 knows (and this libgphoto2 leaks some memory each
    // time), far too much to repeat on every refresh when nothing was plugged in or out.
    static Detector detectOnUsbChange(Detector detector, const wxString& sysfsRoot);
    // The USB devices present under `sysfsRoot`: each one's name, bus and device number (a
    // device plugged in again gets a new device number).
    static wxString usbDevicesSignature(const wxString& sysfsRoot);

private:
    wxString m_gphotoModel;
    wxString m_port;
};

} // namespace Brenmarle
