#include "util/OutputFile.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>

#include <fcntl.h>
#include <unistd.h>

#include <wx/filename.h>

#include "system/Exceptions.h"

namespace Quorvel {

namespace {

// A file being written is hidden and marked: ".photo.jpg.part-Ab3xY9".
const char* const PART_MARK = ".part-";
constexpr size_t RANDOM_LETTERS = 6;
constexpr int CREATE_ATTEMPTS = 100;

std::string randomLetters()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    thread_local std::mt19937 engine{std::random_device{}()};
    std::uniform_int_distribution<size_t> pick(0, sizeof(letters) - 2);
    std::string result;
    for (size_t i = 0; i < RANDOM_LETTERS; ++i)
        result += letters[pick(engine)];
    return result;
}

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
    createTemporaryFile();
}

wxString OutputFile::utf8Prefix(const wxString& text, size_t bytes)
{
    const std::string utf8 = text.utf8_string();
    if (utf8.size() <= bytes)
        return text;
    size_t end = bytes;
    // Back to the first byte of a character.
    while (end > 0 && (static_cast<unsigned char>(utf8[end]) & 0xC0) == 0x80)
        --end;
    return wxString::FromUTF8(utf8.data(), end);
}

void OutputFile::createTemporaryFile()
{
    const wxFileName name(m_path);
    // The hidden mark and the random letters must not push a long name over the limit.
    const size_t room = MAX_NAME_BYTES - 1 - std::strlen(PART_MARK) - RANDOM_LETTERS;
    const std::string start = name.GetPathWithSep().utf8_string() + "." +
                              utf8Prefix(name.GetFullName(), room).utf8_string() + PART_MARK;
    int error = EEXIST;
    for (int attempt = 0; attempt < CREATE_ATTEMPTS && error == EEXIST; ++attempt) {
        std::string candidate = start + randomLetters();
        // Created as any other program creates a file, so the user's umask and a default ACL of
        // the folder decide who may read it.
        m_fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (m_fd >= 0) {
            m_temporaryPath = std::move(candidate);
            return;
        }
        error = errno;
    }
    if (error == EACCES || error == EPERM || error == EROFS)
        throw FileAccessException(wxString::Format(
            "Could not open file %s for writing because the file is not writable by the user "
            "(access violation)",
            m_path));
    if (error == ENOSPC || error == EDQUOT)
        raiseWriteError(error);
    throw IOException(wxString::Format("Could not open file %s for writing", m_path));
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

bool OutputFile::commit(Replace replace, Flush flush)
{
    if (m_fd >= 0) {
        const int fd = m_fd;
        m_fd = -1;
        // EINVAL: the file system offers no flushing; there is nothing more to do.
        if (flush == Flush::Yes && ::fsync(fd) != 0 && errno != EINVAL) {
            const int error = errno;
            ::close(fd);
            raiseWriteError(error);
        }
        // Delayed allocation can report a full disk only at close.
        if (::close(fd) != 0)
            raiseWriteError(errno);
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
    if (flush == Flush::Yes)
        syncFolder();
    return true;
}

void OutputFile::syncFolder() const
{
    // The new name is an entry of the folder: it is on the disk only when the folder is.
    const std::string folder = wxFileName(m_path).GetPathWithSep().utf8_string();
    const int fd =
        ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        raiseWriteError(errno);
    const int result = ::fsync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0 && error != EINVAL)
        raiseWriteError(error);
}

} // namespace Quorvel
