#include "importexport/WatchList.h"

#include <algorithm>

#include <sys/stat.h>

#include "system/Log.h"

WatchList::Signature WatchList::Signature::of(const wxString& path)
{
    struct stat info {};
    if (::stat(path.utf8_str(), &info) != 0)
        return Signature();
    return {static_cast<int64_t>(info.st_size),
            static_cast<int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec};
}

WatchList::WatchList(std::chrono::milliseconds settlingTime) : m_settlingTime(settlingTime) {}

void WatchList::add(const Quorvel::Ref<Brenmarle::File>& file, const wxString& uri,
                    const wxString& path)
{
    const Signature now = Signature::of(path);
    remove(uri);
    std::lock_guard<std::mutex> lock(m_mutex);
    m_entries.push_back({file, uri, path, now, now, Clock::time_point()});
}

void WatchList::remove(const wxString& uri)
{
    std::vector<Entry> removed; // let go of the files after the lock
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto it = m_entries.begin(); it != m_entries.end();) {
        if (it->uri == uri) {
            removed.push_back(*it);
            it = m_entries.erase(it);
        } else {
            ++it;
        }
    }
}

void WatchList::clear()
{
    std::vector<Entry> removed; // let go of the files after the lock
    std::lock_guard<std::mutex> lock(m_mutex);
    removed.swap(m_entries);
}

bool WatchList::isEmpty() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_entries.empty();
}

std::vector<wxString> WatchList::getPaths() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::vector<wxString> paths;
    for (const Entry& entry : m_entries)
        paths.push_back(entry.path);
    return paths;
}

std::vector<WatchList::Due> WatchList::takeDue(Clock::time_point now)
{
    std::vector<Due> due;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Entry& entry : m_entries) {
        const Signature current = Signature::of(entry.path);
        if (current.size < 0 || current == entry.written) {
            entry.seen = entry.written;
            continue;
        }
        if (current != entry.seen) {
            // Still being written, or changed again: wait for it to settle from now.
            entry.seen = current;
            entry.seenSince = now;
            continue;
        }
        if (now - entry.seenSince < m_settlingTime)
            continue;
        QDEBUG("[FILEMONITOR] %s was modified", entry.path);
        entry.written = current;
        due.push_back({entry.file, entry.uri, entry.path, current});
    }
    return due;
}

void WatchList::retry(const wxString& uri, const Signature& signature)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (Entry& entry : m_entries) {
        if (entry.uri == uri && entry.written == signature)
            entry.written = Signature();
    }
}

std::optional<WatchList::Clock::time_point> WatchList::nextDeadline() const
{
    std::optional<Clock::time_point> next;
    std::lock_guard<std::mutex> lock(m_mutex);
    for (const Entry& entry : m_entries) {
        if (entry.seen == entry.written)
            continue;
        const Clock::time_point at = entry.seenSince + m_settlingTime;
        if (!next || at < *next)
            next = at;
    }
    return next;
}
