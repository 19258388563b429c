#pragma once
// Tells the camera manager when devices may have come or gone, so the connected devices are
// listed again only then instead of on a timer.
//
// Threads: wait() on the camera manager's worker; wake() from any thread.

namespace Brenmarle {

class DeviceWatch {
public:
    virtual ~DeviceWatch() = default;

    // Blocks until a device may have come or gone (true), or until wake() is called (false).
    // A wake() that came while no wait() was under way ends the next one at once.
    virtual bool wait() = 0;
    virtual void wake() = 0;
};

} // namespace Brenmarle
