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
    QDEBUG("[APPLICATION] IPC server at %s: %s", socketPath, created ? "ok" : "failed");
    return created;
}

wxConnectionBase* BrenmarleServer::OnAcceptConnection(const wxString& topic)
{
    if (topic != BrenmarleConnection::TOPIC)
        return nullptr;
    // The toolkit owns and deletes connections it accepted.
    return new BrenmarleConnection(m_receiver);
}
