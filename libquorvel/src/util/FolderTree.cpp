#include "util/FolderTree.h"

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system/Exceptions.h"

namespace Quorvel {

namespace {

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

[[noreturn]] void fail(const wxString& path)
{
    throw IOException(wxString::Format("Could not delete folder %s", path));
}

// Empties the folder open as `fd` (which this takes over) and its sub-folders.
void removeEntries(int fd, const wxString& path, int depth)
{
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
        ::close(fd);
        fail(path);
    }
    if (depth > FolderTree::MAX_DEPTH)
        fail(path);
    while (const dirent* entry = ::readdir(dir.get())) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0)
            continue;
        struct stat info {};
        if (::fstatat(fd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) {
            if (errno == ENOENT)
                continue;
            fail(path);
        }
        if (S_ISDIR(info.st_mode)) {
            const int sub = ::openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (sub < 0)
                fail(path);
            removeEntries(sub, path + "/" + wxString::FromUTF8(name), depth + 1);
            if (::unlinkat(fd, name, AT_REMOVEDIR) != 0 && errno != ENOENT)
                fail(path);
        } else if (::unlinkat(fd, name, 0) != 0 && errno != ENOENT) {
            fail(path);
        }
    }
}

} // namespace

void FolderTree::remove(const wxString& path)
{
    std::string bytes = path.utf8_string();
    // "link/" would name the folder the link points to.
    while (bytes.size() > 1 && bytes.back() == '/')
        bytes.pop_back();
    struct stat info {};
    if (::lstat(bytes.c_str(), &info) != 0) {
        if (errno == ENOENT)
            return;
        fail(path);
    }
    if (!S_ISDIR(info.st_mode)) {
        if (::unlink(bytes.c_str()) != 0 && errno != ENOENT)
            fail(path);
        return;
    }
    const int fd = ::open(bytes.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        fail(path);
    removeEntries(fd, path, 0);
    if (::rmdir(bytes.c_str()) != 0 && errno != ENOENT)
        fail(path);
}

} // namespace Quorvel
