#pragma once
// The "only one instance per user and program name" lock: an flock'ed file. The kernel drops
// the lock when the process ends in any way, so a crashed instance never blocks the next start.
//
// GUI thread only.

#include <wx/string.h>

namespace Quorvel {

class SingleInstanceLock {
public:
    // `path` of the lock file; its folder must exist.
    explicit SingleInstanceLock(const wxString& path);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when another process holds the lock (the "mutex already existed" case). When the
    // lock file cannot be opened at all the program runs as a first instance.
    bool alreadyExisted() const { return m_alreadyExisted; }
    bool isHeld() const { return m_fd >= 0 && !m_alreadyExisted; }
    // Tries once more to take the lock that another process held; true when it is held now.
    bool tryAcquire();

private:
    int m_fd = -1;
    bool m_alreadyExisted = false;
};

} // namespace Quorvel
