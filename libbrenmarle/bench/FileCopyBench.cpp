// Times a copy of many pictures from a folder of the user's disk into an album through
// FileCopyTask on a slave manager, as the program copies them when the user drops a folder on
// an album: files per second, megabytes per second and the process's peak memory.
//
// The pictures are generated: a JPEG start-of-image marker followed by pseudo-random
// (incompressible) bytes, 3 to 5 MB each unless told otherwise. After writing, each is flushed
// and dropped from the page cache, so the copy reads from the disk as it would for pictures
// that were not just written. The copies are not flushed (the program does not either): their
// bytes may still be in the page cache when the copy is timed as done.
//
// Usage: filecopy_bench [picture count] [smallest KB] [largest KB] [work folder]
// Without a work folder one is made under /var/tmp and removed afterwards.

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <wx/app.h>
#include <wx/filename.h>

#include "BenchArguments.h"
#include "database/Database.h"
#include "filemanager/FileManager.h"
#include "filetasks/FileCopyTask.h"
#include "folders/AlbumFolder.h"
#include "system/Environment.h"
#include "threads/SlaveManager.h"
#include "threads/SlaveManagerEvent.h"

using namespace Brenmarle;

namespace {

// Wakes the main thread when the task has ended; the events themselves are dropped.
class EndListener : public wxEvtHandler {
public:
    void QueueEvent(wxEvent* event) override
    {
        const wxEventType type = event->GetEventType();
        const bool end = type == Quorvel::EVT_SLAVE_FINISHED || type == Quorvel::EVT_SLAVE_FAILED ||
                         type == Quorvel::EVT_SLAVE_ABORTED;
        if (end) {
            const auto* slaveEvent = static_cast<Quorvel::SlaveManagerEvent*>(event);
            std::lock_guard<std::mutex> lock(m_mutex);
            m_ended = true;
            m_succeeded = type == Quorvel::EVT_SLAVE_FINISHED;
            m_error = slaveEvent->getErrorMessage();
            m_wake.notify_all();
        }
        delete event;
    }

    // Returns whether the task succeeded; `error` gets its failure.
    bool waitForEnd(wxString& error)
    {
        std::unique_lock<std::mutex> lock(m_mutex);
        m_wake.wait(lock, [this] { return m_ended; });
        error = m_error;
        return m_succeeded;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_ended = false;
    bool m_succeeded = false;
    wxString m_error;
};

long peakMemoryMb()
{
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024;
}

// Writes `bytes` of a picture-like file and drops it from the page cache.
bool writePicture(const std::string& path, size_t bytes, uint64_t seed)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        return false;
    std::unique_ptr<int, void (*)(int*)> closer(new int(fd), [](int* f) {
        ::close(*f);
        delete f;
    });
    std::vector<uint64_t> block(64 * 1024 / sizeof(uint64_t));
    uint64_t state = seed * 0x9E3779B97F4A7C15ull + 1;
    size_t written = 0;
    bool first = true;
    while (written < bytes) {
        for (uint64_t& word : block) {
            state ^= state << 13;
            state ^= state >> 7;
            state ^= state << 17;
            word = state;
        }
        auto* data = reinterpret_cast<unsigned char*>(block.data());
        if (first) {
            const unsigned char soi[] = {0xFF, 0xD8, 0xFF, 0xE1};
            std::copy(std::begin(soi), std::end(soi), data);
            first = false;
        }
        const size_t chunk = std::min(bytes - written, block.size() * sizeof(uint64_t));
        if (::write(fd, data, chunk) != static_cast<ssize_t>(chunk))
            return false;
        written += chunk;
    }
    ::fdatasync(fd);
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
    return true;
}

int benchmark(int count, size_t smallestKb, size_t largestKb, const std::string& work,
              bool removeWork)
{
    const wxString home = wxString::FromUTF8(work) + "/";
    // The photo library lives in the work folder, never in the user's real one.
    setenv("HOME", work.c_str(), 1);
    setenv("XDG_DATA_HOME", (work + "/data").c_str(), 1);
    Quorvel::Environment::init("vistrelle", home + "program/");
    const wxString dataDir = Quorvel::Environment::getUserDataDir();
    wxFileName::Mkdir(dataDir, 0700, wxPATH_MKDIR_FULL);
    wxFileName::Mkdir(home + "Pictures", 0700, wxPATH_MKDIR_FULL);

    double totalMb = 0;
    for (int i = 0; i < count; ++i) {
        const size_t spread = largestKb > smallestKb ? (i * 7919u) % (largestKb - smallestKb) : 0;
        const size_t bytes = (smallestKb + spread) * 1024;
        const std::string path = work + "/Pictures/" + std::to_string(100000 + i) + ".JPG";
        if (!writePicture(path, bytes, i + 1)) {
            std::fprintf(stderr, "could not write %s\n", path.c_str());
            return 1;
        }
        totalMb += bytes / (1024.0 * 1024.0);
    }
    std::printf("Pictures: %d, %.0f MB (%zu-%zu KB each) in %s\n", count, totalMb, smallestKb,
                largestKb, work.c_str());
    const long peakBefore = peakMemoryMb();

    Database::getInstance().open(dataDir + "database.db");
    int copied = 0;
    double seconds = 0;
    bool succeeded = false;
    {
        FileManager manager;
        auto album = Quorvel::makeRef<AlbumFolder>();
        album->setName("Bench");
        AlbumFolder::createAlbum(album);
        FileTask::Files pictures;
        for (const wxString& uri : manager.getFolder("file://" + home + "Pictures/")->getFileUris())
            pictures.push_back(manager.getFile(uri));

        EndListener listener;
        wxString error;
        {
            Quorvel::SlaveManager slaves;
            slaves.addListener(&listener, 1);
            const auto start = std::chrono::steady_clock::now();
            slaves.addSlave(std::make_unique<FileCopyTask>(std::move(pictures), album));
            succeeded = listener.waitForEnd(error);
            seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            slaves.removeListener(&listener);
        }
        if (!succeeded)
            std::fprintf(stderr, "copy failed: %s\n", error.utf8_str().data());
        copied = album->getFileCount();
        manager.releaseOrphans();
        AlbumFolder::unloadAlbums();
    }
    Database::getInstance().close();

    std::printf("Copied: %d of %d in %.2f s\n", copied, count, seconds);
    std::printf("  %.1f files/s, %.1f MB/s\n", copied / seconds, totalMb / seconds);
    std::printf("Peak memory: %ld MB (%ld MB before the copy)\n", peakMemoryMb(), peakBefore);

    if (removeWork)
        wxFileName::Rmdir(home, wxPATH_RMDIR_RECURSIVE);
    return succeeded && copied == count ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    return BenchArguments::runMain(
        argc, argv, "[picture count] [smallest KB] [largest KB] [work folder]",
        [](BenchArguments& arguments) {
            const int count = static_cast<int>(BenchArguments::number(
                "picture count", arguments.positional(0, 4), 500, 1, 1000000));
            const auto smallestKb = static_cast<size_t>(BenchArguments::number(
                "smallest KB", arguments.positional(1, 4), 3 * 1024, 1, 1024 * 1024));
            const auto largestKb = static_cast<size_t>(BenchArguments::number(
                "largest KB", arguments.positional(2, 4),
                std::max<long>(long(smallestKb), 5 * 1024), long(smallestKb), 1024 * 1024));
            const std::optional<std::string> given = arguments.positional(3, 4);
            std::string work;
            bool removeWork = false;
            if (given) {
                work = BenchArguments::writableFolder("work folder", *given);
            } else {
                char pattern[] = "/var/tmp/vistrelle-copybench-XXXXXX";
                if (!mkdtemp(pattern))
                    throw std::runtime_error("could not make a work folder under /var/tmp");
                work = pattern;
                removeWork = true;
            }
            return benchmark(count, smallestKb, largestKb, work, removeWork);
        });
}
