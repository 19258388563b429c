#pragma once
// Finds every file in a folder and all its sub-folders, for an import from the computer.
// Symbolic links to folders are not followed (a link to a parent would never end, and a link
// elsewhere would import what the user did not choose); links to files are. Hidden files and
// folders (caches, trash) are passed over as the file manager hides them. Folders to leave
// out (the program's own data folder: importing the picture store into itself would double
// it) are matched by identity, whatever path leads to them. The scan can be stopped.
//
// Threads: one scan per object, on any thread; stop() from any thread.

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class FolderScanner {
public:
    // Told the number of files found so far, now and then.
    using Progress = std::function<void(std::size_t found)>;

    explicit FolderScanner(std::vector<wxString> excluded = {}, Progress progress = Progress());

    // The "file://" URIs of the files under `root`, each folder's files in name order before
    // its sub-folders. Unreadable folders are passed over. A stopped scan returns what it found
    // until then.
    std::vector<wxString> scan(const wxString& root);

    void stop() { m_stopped = true; }
    bool isStopped() const { return m_stopped.load(); }

private:
    struct Identity {
        unsigned long long device;
        unsigned long long inode;
        bool operator<(const Identity& other) const
        {
            return device != other.device ? device < other.device : inode < other.inode;
        }
    };

    void scanDirectory(const wxString& directory, std::vector<wxString>& found,
                       std::vector<Identity>& path);

    std::vector<Identity> m_excluded;
    Progress m_progress;
    std::atomic<bool> m_stopped{false};
};

} // namespace Brenmarle
