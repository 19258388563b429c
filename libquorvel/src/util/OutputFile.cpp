#include "util/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

#include <wx/filename.h>

#include "system/Exceptions.h"

namespace Quorvel {

namespace {

// rename() that refuses to overwrite. File systems without RENAME_NOREPLACE get link() and,
// where even that is missing (FAT cards), a check right before the rename.
bool renameNoReplace(const std::string& from, const std::string& to)
{
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL && errno != ENOSYS)
        return false;
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return true;
    }
    if (errno != EPERM && errno != ENOTSUP)
        return false;
    if (::access(to.c_str(), F_OK) == 0) {
        errno = EEXIST;
        return false;
    }
    return ::rename(from.c_str(), to.c_str()) == 0;
}

} // namespace

OutputFile::OutputFile(const wxString& path) : m_path(path)
{
    const wxFileName name(path);
    std::string pattern =
        (name.GetPathWithSep() + "." + name.GetFullName() + ".part-XXXXXX").utf8_string();
    m_fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (m_fd < 0) {
        if (errno == EACCES || errno == EPERM || errno == EROFS)
            throw FileAccessException(wxString::Format(
                "Could not open file %s for writing because the file is not writable by the user "
                "(access violation)",
                path));
        if (errno == ENOSPC || errno == EDQUOT)
            raiseWriteError(errno);
        throw IOException(wxString::Format("Could not open file %s for writing", path));
    }
    ::fchmod(m_fd, 0644);
    m_temporaryPath = pattern;
}

OutputFile::~OutputFile()
{
    closeFile();
    if (!m_committed && !m_temporaryPath.empty())
        ::unlink(m_temporaryPath.c_str());
}

void OutputFile::closeFile()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void OutputFile::raiseWriteError(int error) const
{
    if (error == ENOSPC || error == EDQUOT)
        throw IOException(wxS("System.NotEnoughSpace"),
                          wxString::Format("Could not write to file %s because there is not "
                                           "enough free space available",
                                           m_path));
    throw IOException(wxString::Format("Could not write to file %s", m_path));
}

void OutputFile::write(const void* data, size_t size)
{
    const char* bytes = static_cast<const char*>(data);
    size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(m_fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            raiseWriteError(errno);
        if (n == 0)
            throw IOException(wxString::Format(
                "Number of actual written bytes (%d) does not match requested written bytes (%d) "
                "to file %s",
                static_cast<int>(done), static_cast<int>(size), m_path));
        done += static_cast<size_t>(n);
    }
}

bool OutputFile::commit(Replace replace)
{
    if (m_fd >= 0) {
        // Delayed allocation can report a full disk only at close.
        if (::close(m_fd) != 0) {
            m_fd = -1;
            raiseWriteError(errno);
        }
        m_fd = -1;
    }
    const std::string target = m_path.utf8_string();
    if (replace == Replace::No) {
        if (!renameNoReplace(m_temporaryPath, target)) {
            if (errno == EEXIST)
                return false;
            raiseWriteError(errno);
        }
    } else if (::rename(m_temporaryPath.c_str(), target.c_str()) != 0) {
        raiseWriteError(errno);
    }
    m_committed = true;
    return true;
}

} // namespace Quorvel
