#include "GroupCommit.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <map>

#include <sqlite3.h>

#include "ProviderStore.h"
#include "SqlTransaction.h"

namespace Provider {

std::shared_ptr<GroupCommit> GroupCommit::forDatabase(const std::string& path)
{
    static std::mutex registryLock;
    static std::map<std::string, std::weak_ptr<GroupCommit>> registry;
    std::lock_guard<std::mutex> lock(registryLock);
    std::weak_ptr<GroupCommit>& entry = registry[path];
    std::shared_ptr<GroupCommit> shared = entry.lock();
    if (!shared) {
        shared = std::make_shared<GroupCommit>(path + "-wal");
        entry = shared;
    }
    return shared;
}

GroupCommit::GroupCommit(std::string walPath, Flush flush)
    : m_walPath(std::move(walPath)), m_flush(std::move(flush))
{
}

void GroupCommit::attach(sqlite3* db)
{
    SqlTransaction::execute(db, "PRAGMA synchronous = NORMAL");
    sqlite3_wal_hook(db, &GroupCommit::onCommit, this);
}

int GroupCommit::onCommit(void* self, sqlite3* db, const char* name, int frames)
{
    auto& group = *static_cast<GroupCommit*>(self);
    const bool durable = group.makeDurable();
    if (frames >= CHECKPOINT_FRAMES)
        sqlite3_wal_checkpoint_v2(db, name, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
    return durable ? SQLITE_OK : SQLITE_IOERR_FSYNC;
}

bool GroupCommit::makeDurable()
{
    std::unique_lock<std::mutex> lock(m_lock);
    const uint64_t mine = ++m_committed;
    while (m_durable < mine) {
        if (m_flushing) {
            m_flushed.wait(lock);
            continue;
        }
        // Every commit counted so far has its frames written to the file already.
        m_flushing = true;
        const uint64_t upTo = m_committed;
        lock.unlock();
        const int error = m_flush ? m_flush() : flushWal();
        lock.lock();
        m_flushing = false;
        ++m_flushes;
        m_lastFlushFailed = error != 0;
        if (!m_lastFlushFailed && upTo > m_durable)
            m_durable = upTo;
        m_flushed.notify_all();
        if (m_lastFlushFailed)
            return false;
    }
    return true;
}

uint64_t GroupCommit::commits() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_committed;
}

uint64_t GroupCommit::flushes() const
{
    std::lock_guard<std::mutex> lock(m_lock);
    return m_flushes;
}

int GroupCommit::flushWal() const
{
    // Opened for each flush: the file SQLite writes may be made anew while no connection is open.
    const int fd = ::open(m_walPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno;
    const int result = ::fdatasync(fd) == 0 ? 0 : errno;
    ::close(fd);
    return result;
}

} // namespace Provider
