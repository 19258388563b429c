#include "importexport/FileMonitor.h"

#include <cerrno>

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/filefn.h>
#include <wx/filename.h>

#include "filemanager/FileManager.h"
#include "files/FileCopier.h"
#include "folders/ManagedFolder.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "thumbnails/ThumbnailManager.h"
#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace {

constexpr uint32_t SPOOL_EVENTS = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE;
constexpr uint32_t COPY_EVENTS = IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE | IN_MODIFY | IN_ATTRIB;

} // namespace

FileMonitor::FileMonitor(const wxString& spoolDir) : FileMonitor(spoolDir, Options()) {}

FileMonitor::FileMonitor(const wxString& spoolDir, const Options& options)
    : m_options(options), m_spool(spoolDir), m_watchList(options.settlingTime)
{
    if (!wxFileName::DirExists(spoolDir))
        wxFileName::Mkdir(spoolDir, 0700, wxPATH_MKDIR_FULL);
    if (!m_options.startThread)
        return;
    m_inotify = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    m_wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (m_inotify < 0)
        QDEBUG("[FILEMONITOR] No inotify (%d), polling", errno);
    updateWatches();
    m_thread = std::thread([this] { run(); });
}

FileMonitor::~FileMonitor()
{
    stop();
    if (m_inotify >= 0)
        ::close(m_inotify);
    if (m_wake >= 0)
        ::close(m_wake);
}

void FileMonitor::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_watchMutex);
        m_stopping = true;
    }
    wake();
    if (m_thread.joinable())
        m_thread.join();
    // The watched files are let go while the file manager that hands them out still exists.
    m_watchList.clear();
}

void FileMonitor::wake()
{
    if (m_wake >= 0) {
        const uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wake, &one, sizeof one);
    }
}

void FileMonitor::watch(const Quorvel::Ref<Brenmarle::File>& file, const wxString& path)
{
    m_watchList.add(file, file->getURI(), path);
    updateWatches();
    wake();
}

void FileMonitor::unwatch(const wxString& uri)
{
    m_watchList.remove(uri);
}

void FileMonitor::updateWatches()
{
    if (m_inotify < 0)
        return;
    std::vector<std::pair<wxString, uint32_t>> wanted{{m_spool.getDir(), SPOOL_EVENTS}};
    for (const wxString& path : m_watchList.getPaths())
        wanted.emplace_back(wxFileName(path).GetPath(wxPATH_GET_SEPARATOR), COPY_EVENTS);
    std::lock_guard<std::mutex> lock(m_watchMutex);
    for (const auto& [dir, events] : wanted) {
        if (m_watched.count(dir))
            continue;
        const int watch = inotify_add_watch(m_inotify, dir.utf8_str(), events | SPOOL_EVENTS);
        if (watch >= 0)
            m_watched[dir] = watch;
    }
}

int FileMonitor::waitMs() const
{
    auto wait = m_options.slowPoll;
    if (const auto deadline = m_watchList.nextDeadline()) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            *deadline - WatchList::Clock::now());
        // One millisecond more than what is left, so the deadline has passed on waking.
        wait = std::min(
            wait, std::max(left + std::chrono::milliseconds(1), std::chrono::milliseconds(0)));
    }
    return static_cast<int>(wait.count());
}

void FileMonitor::run()
{
    for (;;) {
        {
            std::lock_guard<std::mutex> lock(m_watchMutex);
            if (m_stopping)
                break;
        }
        try {
            processSpool();
            writeBack(WatchList::Clock::now());
        } catch (const Quorvel::Exception& e) {
            QDEBUG("[FILEMONITOR] %s", e.getMessage());
        } catch (const std::exception& e) {
            QDEBUG("[FILEMONITOR] %s", e.what());
        }
        // A watch may have failed while its folder was missing; try again each round.
        updateWatches();
        pollfd fds[2] = {{m_wake, POLLIN, 0}, {m_inotify, POLLIN, 0}};
        const int count = m_inotify >= 0 ? 2 : 1;
        if (::poll(fds, count, waitMs()) > 0) {
            char buffer[4096];
            uint64_t ignored = 0;
            [[maybe_unused]] ssize_t n = ::read(m_wake, &ignored, sizeof ignored);
            while (m_inotify >= 0 && ::read(m_inotify, buffer, sizeof buffer) > 0) {
            }
        }
    }
    QDEBUG("[FILEMONITOR] Thread has reached the end");
}

void FileMonitor::processSpool()
{
    m_spool.processAll();
}

int FileMonitor::writeBack(WatchList::Clock::time_point now)
{
    int written = 0;
    for (const WatchList::Due& due : m_watchList.takeDue(now)) {
        try {
            if (writeBackCopy(*due.file, due.path, due.signature))
                ++written;
            else
                m_watchList.retry(due.uri, due.signature);
        } catch (const Quorvel::Exception& e) {
            wxLogError("Could not save the changes of %s: %s", due.path, e.getMessage());
        }
    }
    return written;
}

bool FileMonitor::writeBackCopy(Brenmarle::File& file, const wxString& path,
                                const WatchList::Signature& signature)
{
    Brenmarle::FileManager& manager = Brenmarle::FileManager::get();
    Brenmarle::FolderRef folder = manager.getFolder(file.getURI());
    {
        Quorvel::InputFile input(path);
        std::unique_ptr<Quorvel::OutputFile> output = folder->getFileOutputStream(file);
        Brenmarle::FileCopier().transfer(input, *output);
        // Saved again while it was read: the uncommitted copy is dropped, the next one waits.
        if (WatchList::Signature::of(path) != signature)
            return false;
        Brenmarle::FileCopier::commit(*output, true, true);
    }
    // The old thumbnail is named after the old modify time: remove it before that changes.
    if (Brenmarle::ThumbnailManager::exists()) {
        Brenmarle::ThumbnailManager::get().removeThumbnail(file);
    } else {
        const wxString thumbnail = folder->getThumbnailPath(file);
        if (wxFileExists(thumbnail))
            wxRemoveFile(thumbnail);
    }
    const wxString target = folder->getLocalPath(file);
    struct stat info {};
    if (::stat(target.utf8_str(), &info) == 0) {
        file.setFileModifyTime(static_cast<int32_t>(info.st_mtime));
        file.setFileSize(info.st_size);
    }
    file.setFileUserModified(true);
    if (auto* managed = dynamic_cast<Brenmarle::ManagedFolder*>(folder.get()))
        managed->readFileInformation(file, false);
    folder->saveFileMetadata(file);
    manager.fileChanged(file, 0);
    return true;
}
