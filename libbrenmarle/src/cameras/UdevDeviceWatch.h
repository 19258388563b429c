#pragma once
// Watches the system for cameras and card readers coming and going: udev's news about USB
// devices and block devices (a camera plugged in, a card put in a reader), and the mount table
// (a card mounted by the desktop a moment after its device appeared).
//
// Only where udev runs: open() gives nothing when the udev daemon is not running (a container,
// a system without it) or its monitor cannot be made, and the camera manager then lists the
// devices on a timer instead.
//
// Threads: as DeviceWatch.

#include <memory>

#include <wx/string.h>

#include "cameras/DeviceWatch.h"

namespace Brenmarle {

class UdevDeviceWatch : public DeviceWatch {
public:
    // Where the udev daemon keeps its control socket while it runs.
    static constexpr const char* UDEV_CONTROL = "/run/udev/control";
    // A device brings several pieces of news at once (the USB device, its interfaces, the disk,
    // its partitions): they are let settle this long before wait() returns.
    static constexpr int SETTLE_MS = 150;

    // The watch, or null (logged) when udev is not available. `udevControl` is the daemon's
    // control socket (its presence tells that the daemon runs), `mountsFile` the mount table.
    static std::unique_ptr<DeviceWatch> open(const wxString& udevControl = UDEV_CONTROL,
                                             const wxString& mountsFile = "/proc/self/mounts");
    ~UdevDeviceWatch() override;

    bool wait() override;
    void wake() override;

private:
    struct Handles;
    explicit UdevDeviceWatch(std::unique_ptr<Handles> handles);
    // Reads what is pending; true when some of it was news of a device or a mount.
    bool takeNews();

    std::unique_ptr<Handles> m_handles;
};

} // namespace Brenmarle
