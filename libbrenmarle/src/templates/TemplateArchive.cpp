#include "templates/TemplateArchive.h"

#include <archive.h>
#include <archive_entry.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include <wx/intl.h>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "templates/Template.h"

namespace Brenmarle {

namespace {

struct ArchiveDeleter {
    void operator()(archive* a) const { archive_read_free(a); }
};
using ArchivePtr = std::unique_ptr<archive, ArchiveDeleter>;

struct FileDescriptor {
    int fd = -1;
    ~FileDescriptor()
    {
        if (fd >= 0)
            ::close(fd);
    }
};

wxString fromBytes(const std::string& text)
{
    wxString wide = wxString::FromUTF8(text.c_str());
    return wide.empty() && !text.empty() ? wxString(text.c_str(), wxConvISO8859_1) : wide;
}

[[noreturn]] void raiseArchiveError(archive* a)
{
    const char* text = archive_error_string(a);
    throw Quorvel::IOException(wxString::Format(_("Could not read template package: %s"),
                                                text ? wxString::FromUTF8(text) : wxString("?")));
}

ArchivePtr openArchive(const wxString& zipPath)
{
    ArchivePtr a(archive_read_new());
    if (!a)
        throw Quorvel::IOException(_("Could not read template package: out of memory"));
    if (archive_read_support_format_zip(a.get()) != ARCHIVE_OK ||
        archive_read_open_filename(a.get(), zipPath.fn_str(), 64 * 1024) != ARCHIVE_OK)
        raiseArchiveError(a.get());
    return a;
}

// The next entry, null at the end.
archive_entry* nextEntry(archive* a)
{
    archive_entry* entry = nullptr;
    const int result = archive_read_next_header(a, &entry);
    if (result == ARCHIVE_EOF)
        return nullptr;
    if (result != ARCHIVE_OK && result != ARCHIVE_WARN)
        raiseArchiveError(a);
    return entry;
}

std::string nameOf(archive_entry* entry)
{
    const char* name = archive_entry_pathname(entry);
    return name ? std::string(name) : std::string();
}

void checkEntry(archive_entry* entry)
{
    const std::string name = nameOf(entry);
    const unsigned type = archive_entry_filetype(entry);
    const bool plain = type == AE_IFREG || type == AE_IFDIR;
    if (!plain || archive_entry_hardlink(entry) || archive_entry_symlink(entry) ||
        !TemplateArchive::isAcceptableName(name))
        throw Quorvel::IOException(wxString::Format(_("Refused entry %s in template package"),
                                                    fromBytes(name.substr(0, 200))));
}

// Makes the folders of `relative` (its last step excluded unless it ends in "/") below `root`.
void makeFolders(const std::string& root, const std::string& relative)
{
    for (size_t slash = relative.find('/'); slash != std::string::npos;
         slash = relative.find('/', slash + 1)) {
        const std::string folder = root + relative.substr(0, slash);
        if (::mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST)
            throw Quorvel::IOException(
                wxString::Format(_("Could not open file %s for writing"), fromBytes(folder)));
        struct stat status {};
        if (::lstat(folder.c_str(), &status) != 0 || !S_ISDIR(status.st_mode))
            throw Quorvel::IOException(
                wxString::Format(_("Could not open file %s for writing"), fromBytes(folder)));
    }
}

void writeEntry(archive* a, const std::string& path, int64_t& unpacked, int64_t maxBytes)
{
    FileDescriptor out;
    out.fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (out.fd < 0)
        throw Quorvel::IOException(
            wxString::Format(_("Could not open file %s for writing"), fromBytes(path)));
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        const la_ssize_t n = archive_read_data(a, buffer.data(), buffer.size());
        if (n == 0)
            break;
        if (n < 0)
            raiseArchiveError(a);
        unpacked += n;
        if (unpacked > maxBytes)
            throw Quorvel::IOException(wxString::Format(
                _("Template package unpacks to more than %lld bytes"), (long long)maxBytes));
        for (la_ssize_t done = 0; done < n;) {
            const ssize_t written = ::write(out.fd, buffer.data() + done, n - done);
            if (written < 0 && errno == EINTR)
                continue;
            if (written <= 0)
                throw Quorvel::IOException(_("Error writing file! Not enough free disk space?"));
            done += written;
        }
    }
    if (::close(out.fd) != 0) {
        out.fd = -1;
        throw Quorvel::IOException(_("Error writing file! Not enough free disk space?"));
    }
    out.fd = -1;
}

} // namespace

bool TemplateArchive::isAcceptableName(const std::string& name)
{
    std::string relative = name;
    if (!relative.empty() && relative.back() == '/')
        relative.pop_back();
    return Template::isInsideFolder(fromBytes(relative)) &&
           relative.find('\0') == std::string::npos;
}

void TemplateArchive::unpack(const wxString& zipPath, const wxString& folder,
                             const Progress& progress, const Limits& limits)
{
    // First pass: every entry is looked at before anything is written.
    size_t total = 0;
    {
        ArchivePtr a = openArchive(zipPath);
        while (archive_entry* entry = nextEntry(a.get())) {
            checkEntry(entry);
            if (++total > limits.maxEntries)
                throw Quorvel::IOException(_("Template package has too many entries"));
            if (archive_entry_size_is_set(entry) && archive_entry_size(entry) > limits.maxBytes)
                throw Quorvel::IOException(
                    wxString::Format(_("Template package unpacks to more than %lld bytes"),
                                     (long long)limits.maxBytes));
        }
    }

    std::string root(folder.fn_str());
    if (root.empty() || root.back() != '/')
        root += '/';
    ArchivePtr a = openArchive(zipPath);
    int64_t unpacked = 0;
    size_t done = 0;
    while (archive_entry* entry = nextEntry(a.get())) {
        // The second reading must be the archive the first one checked.
        checkEntry(entry);
        if (done >= total)
            throw Quorvel::IOException(_("Template package has too many entries"));
        const std::string name = nameOf(entry);
        QDEBUG("Zip content: %s", fromBytes(name));
        if (archive_entry_filetype(entry) == AE_IFDIR) {
            makeFolders(root, name.back() == '/' ? name : name + "/");
        } else {
            makeFolders(root, name);
            writeEntry(a.get(), root + name, unpacked, limits.maxBytes);
        }
        ++done;
        if (progress)
            progress(done, total);
    }
}

} // namespace Brenmarle
