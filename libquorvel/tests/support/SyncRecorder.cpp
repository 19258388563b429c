#include "SyncRecorder.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <algorithm>
#include <atomic>

namespace {

std::atomic<SyncRecorder*> recorder{nullptr};

template <typename Function> Function real(const char* name)
{
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

SyncRecorder::SyncRecorder()
{
    recorder = this;
}

SyncRecorder::~SyncRecorder()
{
    recorder = nullptr;
}

void SyncRecorder::record(int fd)
{
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return;
    std::lock_guard<std::mutex> lock(m_mutex);
    m_flushed.emplace_back(info.st_dev, info.st_ino);
}

int SyncRecorder::flushOrder(const wxString& path) const
{
    struct stat info {};
    if (::stat(path.utf8_str(), &info) != 0)
        return -1;
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto found =
        std::find(m_flushed.begin(), m_flushed.end(), std::make_pair(info.st_dev, info.st_ino));
    return found == m_flushed.end() ? -1 : static_cast<int>(found - m_flushed.begin());
}

// The stand-ins: every flush in the test program, SQLite's included, passes through here.
extern "C" int fsync(int fd)
{
    static const auto next = real<int (*)(int)>("fsync");
    if (SyncRecorder* active = recorder.load())
        active->record(fd);
    return next(fd);
}

extern "C" int fdatasync(int fd)
{
    static const auto next = real<int (*)(int)>("fdatasync");
    if (SyncRecorder* active = recorder.load())
        active->record(fd);
    return next(fd);
}
