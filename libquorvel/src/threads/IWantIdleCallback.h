#pragma once
// Work a background thread needs done on the GUI thread (creating a texture, say), handed over
// through IdleCallbackSlot and run from the application's idle handler.

namespace Quorvel {

class IWantIdleCallback {
public:
    virtual ~IWantIdleCallback() = default;

    // Runs on the GUI thread while the requesting thread waits. An exception thrown here is
    // rethrown on the requesting thread.
    virtual void idleCallback() = 0;
};

} // namespace Quorvel
