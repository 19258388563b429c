#include "util/InputFile.h"

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "system/Exceptions.h"

namespace Quorvel {

InputFile::InputFile(const wxString& path) : m_path(path)
{
    m_fd = ::open(path.utf8_str(), O_RDONLY | O_CLOEXEC);
    if (m_fd >= 0)
        return;
    if (errno == EACCES || errno == EPERM)
        throw FileAccessException(wxString::Format(
            "Could not open file %s for reading because the file is not accessible by the user "
            "(access violation)",
            path));
    if (errno == ENOENT)
        throw FileNotFoundException(wxString::Format("Could not open file %s for reading", path));
    throw IOException(wxString::Format("Could not open file %s for reading", path));
}

InputFile::~InputFile()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

size_t InputFile::read(void* buffer, size_t size)
{
    ssize_t n;
    do {
        n = ::read(m_fd, buffer, size);
    } while (n < 0 && errno == EINTR);
    if (n < 0)
        throw IOException("Reading operation failed");
    return static_cast<size_t>(n);
}

int64_t InputFile::length() const
{
    struct stat info {};
    if (::fstat(m_fd, &info) != 0)
        throw IOException("Reading operation failed");
    return info.st_size;
}

} // namespace Quorvel
