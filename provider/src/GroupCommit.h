#pragma once
// Commits of several connections to one SQLite file (the workers' stores) made durable by one
// disk flush between them. Every connection attached commits without flushing (WAL with
// synchronous = NORMAL), and its WAL hook, which SQLite calls after each commit once the write
// lock is free, waits until a flush of the WAL file that began after the commit has ended:
// whoever finds no flush running flushes for all commits made so far, the others wait for it.
// So a commit still returns only once it is on the disk, as with synchronous = FULL, while
// commits arriving together (registrations on two connections, an upload's session check
// beside them) share one flush instead of queueing for one each behind the write lock.
//
// The hook replaces SQLite's automatic checkpoint, so it checkpoints (passive) once the WAL
// holds CHECKPOINT_FRAMES frames, as SQLite would. A flush that fails fails the statement that
// committed (StoreError at the caller; the commit itself stands).
//
// Threads: one object per database file, shared by its connections (forDatabase); attach()
// and the hook from any thread, each connection used by one thread at a time. m_lock guards
// the counters and m_flushing.

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

struct sqlite3;

namespace Provider {

class GroupCommit {
public:
    // Writes the WAL's bytes to the disk; 0 or an errno value.
    using Flush = std::function<int()>;

    // SQLite's own automatic checkpoint point.
    static constexpr int CHECKPOINT_FRAMES = 1000;

    // The one object of the database file at `path`, made at first use.
    static std::shared_ptr<GroupCommit> forDatabase(const std::string& path);

    // `flush` replaces the fdatasync of the WAL file (for tests).
    explicit GroupCommit(std::string walPath, Flush flush = Flush());
    GroupCommit(const GroupCommit&) = delete;
    GroupCommit& operator=(const GroupCommit&) = delete;

    // Lets `db` (in WAL mode, on this object's file) commit through this object. Throws
    // StoreError when the setting fails.
    void attach(sqlite3* db);
    // Returns once everything committed before the call is on the disk; false when a flush
    // failed.
    bool makeDurable();
    // Commits handed in and flushes made so far.
    uint64_t commits() const;
    uint64_t flushes() const;

private:
    static int onCommit(void* self, sqlite3* db, const char* name, int frames);
    int flushWal() const;

    const std::string m_walPath;
    const Flush m_flush;
    mutable std::mutex m_lock;
    std::condition_variable m_flushed;
    uint64_t m_committed = 0;
    uint64_t m_durable = 0;
    uint64_t m_flushes = 0;
    bool m_flushing = false;
    bool m_lastFlushFailed = false;
};

} // namespace Provider
