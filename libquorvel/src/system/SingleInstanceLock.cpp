#include "system/SingleInstanceLock.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace Quorvel {

SingleInstanceLock::SingleInstanceLock(const wxString& path)
{
    // Close-on-exec: plug-ins and helper processes must not inherit (and so keep) the lock.
    m_fd = ::open(path.utf8_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) != 0)
        m_alreadyExisted = (errno == EWOULDBLOCK);
}

bool SingleInstanceLock::tryAcquire()
{
    if (m_fd < 0)
        return false;
    if (m_alreadyExisted && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        m_alreadyExisted = false;
    return !m_alreadyExisted;
}

SingleInstanceLock::~SingleInstanceLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace Quorvel
