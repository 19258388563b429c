#pragma once
// Copies of catalogue files being edited in other programs, and when each is due to be written
// back. A copy is due once its size and modification time (to the nanosecond) differ from what
// was last written back and have then stayed the same for the settling time: a program that
// saves in several steps is never caught half-way.
//
// Threads: any thread; the list is guarded by its own mutex, which is never held while a file
// method (the library lock) is called — only reference counts are touched under it.

#include <chrono>
#include <cstdint>
#include <mutex>
#include <optional>
#include <vector>

#include <wx/string.h>

#include "files/File.h"

class WatchList {
public:
    using Clock = std::chrono::steady_clock;

    // What the disk says about a copy; size -1 when it cannot be read.
    struct Signature {
        int64_t size = -1;
        int64_t modifyTimeNs = -1;
        bool operator==(const Signature& other) const
        {
            return size == other.size && modifyTimeNs == other.modifyTimeNs;
        }
        bool operator!=(const Signature& other) const { return !(*this == other); }
        static Signature of(const wxString& path);
    };

    struct Due {
        Quorvel::Ref<Brenmarle::File> file;
        wxString uri;
        wxString path;
        Signature signature;
    };

    explicit WatchList(std::chrono::milliseconds settlingTime);

    // Watches `path`, a copy of `file` (replacing an earlier watch of that file); what the copy
    // is now counts as written back.
    void add(const Quorvel::Ref<Brenmarle::File>& file, const wxString& uri, const wxString& path);
    void remove(const wxString& uri);
    // Lets go of every watched file.
    void clear();
    bool isEmpty() const;
    std::vector<wxString> getPaths() const;

    // The copies due for writing back at `now`; each change is handed out once, and counts as
    // written back from then on.
    std::vector<Due> takeDue(Clock::time_point now);
    // The copy handed out for `uri` could not be written back as `signature`: try it again.
    void retry(const wxString& uri, const Signature& signature);
    // When the next copy that changed will have settled; none when no change is waiting.
    std::optional<Clock::time_point> nextDeadline() const;

private:
    struct Entry {
        Quorvel::Ref<Brenmarle::File> file;
        wxString uri;
        wxString path;
        Signature written;
        Signature seen;
        Clock::time_point seenSince;
    };

    const std::chrono::milliseconds m_settlingTime;
    mutable std::mutex m_mutex;
    std::vector<Entry> m_entries;
};
