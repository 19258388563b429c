#pragma once
// Records which files and folders the program flushes to the disk (fsync, fdatasync) while an
// instance lives. A power cut cannot be staged in a test; what survives one is exactly what was
// flushed, so tests check the flushes. The test program's own fsync and fdatasync stand in for
// the C library's: they note the file's device and inode and pass every call on.
//
// One instance at a time; flushes from any thread are recorded.

#include <sys/types.h>

#include <mutex>
#include <utility>
#include <vector>

#include <wx/string.h>

class SyncRecorder {
public:
    SyncRecorder();
    ~SyncRecorder();
    SyncRecorder(const SyncRecorder&) = delete;
    SyncRecorder& operator=(const SyncRecorder&) = delete;

    // The place of the file or folder now at `path` in the order of flushes; -1 when it was
    // not flushed.
    int flushOrder(const wxString& path) const;

    // Called by the stand-ins.
    void record(int fd);

private:
    mutable std::mutex m_mutex;
    std::vector<std::pair<dev_t, ino_t>> m_flushed;
};
