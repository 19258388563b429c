#include "import/FolderScanner.h"

#include <sys/stat.h>

#include <algorithm>

#include <wx/dir.h>
#include <wx/log.h>

#include "files/Uri.h"

namespace Brenmarle {

namespace {

constexpr std::size_t PROGRESS_EVERY = 50;

} // namespace

FolderScanner::FolderScanner(std::vector<wxString> excluded, Progress progress)
    : m_progress(std::move(progress))
{
    for (const wxString& directory : excluded) {
        struct stat info {};
        if (::stat(directory.utf8_str(), &info) == 0)
            m_excluded.push_back({static_cast<unsigned long long>(info.st_dev),
                                  static_cast<unsigned long long>(info.st_ino)});
    }
}

std::vector<wxString> FolderScanner::scan(const wxString& root)
{
    std::vector<wxString> found;
    std::vector<Identity> path;
    scanDirectory(root.EndsWith("/") ? root : root + "/", found, path);
    if (m_progress)
        m_progress(found.size());
    return found;
}

void FolderScanner::scanDirectory(const wxString& directory, std::vector<wxString>& found,
                                  std::vector<Identity>& path)
{
    if (m_stopped)
        return;
    struct stat info {};
    if (::stat(directory.utf8_str(), &info) != 0)
        return;
    const Identity self{static_cast<unsigned long long>(info.st_dev),
                        static_cast<unsigned long long>(info.st_ino)};
    const auto same = [&self](const Identity& other) { return !(self < other) && !(other < self); };
    // A folder mounted inside itself (bind mounts) would loop as a link would.
    if (std::any_of(m_excluded.begin(), m_excluded.end(), same) ||
        std::any_of(path.begin(), path.end(), same))
        return;

    std::vector<wxString> names;
    {
        wxLogNull quiet;
        wxDir dir;
        if (!dir.Open(directory))
            return;
        wxString name;
        for (bool more = dir.GetFirst(&name, wxEmptyString, wxDIR_FILES | wxDIR_DIRS);
             more && !m_stopped; more = dir.GetNext(&name))
            names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<wxString> subdirectories;
    for (const wxString& name : names) {
        const wxString entry = directory + name;
        struct stat own {};
        if (::lstat(entry.utf8_str(), &own) != 0)
            continue;
        if (S_ISDIR(own.st_mode)) {
            subdirectories.push_back(entry + "/");
            continue;
        }
        struct stat target {};
        // A link counts as what it points to; a link to a folder is not entered.
        if (::stat(entry.utf8_str(), &target) != 0 || !S_ISREG(target.st_mode))
            continue;
        found.push_back(Uri::fromLocalPath(entry));
        if (m_progress && found.size() % PROGRESS_EVERY == 0)
            m_progress(found.size());
    }
    path.push_back(self);
    for (const wxString& subdirectory : subdirectories)
        scanDirectory(subdirectory, found, path);
    path.pop_back();
}

} // namespace Brenmarle
