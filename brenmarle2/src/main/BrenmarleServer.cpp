#include "main/BrenmarleServer.h"

#include <sys/stat.h>
#include <unistd.h>

#include "system/Log.h"

BrenmarleServer::BrenmarleServer(BrenmarleConnection::CommandReceiver receiver)
    : m_receiver(std::move(receiver))
{
}

bool BrenmarleServer::start(const wxString& socketPath)
{
    // Only reached by the instance that owns the channel now; a socket file still there was
    // left by one that crashed or stopped answering.
    ::unlink(socketPath.utf8_str());
    const mode_t previous = ::umask(0077);
    const bool created = Create(socketPath);
    ::umask(previous);
    struct stat info {};
    if (created && ::lstat(socketPath.utf8_str(), &info) == 0) {
        m_device = info.st_dev;
        m_inode = info.st_ino;
    }
    QDEBUG("[APPLICATION] IPC server at %s: %s", socketPath, created ? "ok" : "failed");
    return created;
}

BrenmarleServer::~BrenmarleServer()
{
    // The toolkit's server removes the file named here after this destructor.
    if (!m_filename.empty() && !ownsSocketFile()) {
        QDEBUG("[APPLICATION] IPC socket %s belongs to another instance now", m_filename);
        m_filename.clear();
    }
}

bool BrenmarleServer::ownsSocketFile() const
{
    struct stat info {};
    return m_inode != 0 && ::lstat(m_filename.utf8_str(), &info) == 0 && info.st_dev == m_device &&
           info.st_ino == m_inode;
}

wxConnectionBase* BrenmarleServer::OnAcceptConnection(const wxString& topic)
{
    if (topic != BrenmarleConnection::TOPIC)
        return nullptr;
    // The toolkit owns and deletes connections it accepted.
    return new BrenmarleConnection(m_receiver);
}
