#pragma once
// ZIP archives made in a test, hostile ones included: any entry name, links, many entries.

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

struct ZipEntry {
    enum Kind { File, Folder, Symlink, Hardlink };
    std::string name;
    std::string content; // a file's bytes, a link's target
    Kind kind = File;
};

// Writes `entries` as a ZIP archive to `path`; false when libarchive refuses.
inline bool writeZip(const wxString& path, const std::vector<ZipEntry>& entries)
{
    std::unique_ptr<archive, decltype(&archive_write_free)> zip(archive_write_new(),
                                                                &archive_write_free);
    if (archive_write_set_format_zip(zip.get()) != ARCHIVE_OK ||
        archive_write_open_filename(zip.get(), path.fn_str()) != ARCHIVE_OK)
        return false;
    for (const ZipEntry& e : entries) {
        std::unique_ptr<archive_entry, decltype(&archive_entry_free)> entry(archive_entry_new(),
                                                                            &archive_entry_free);
        archive_entry_set_pathname(entry.get(), e.name.c_str());
        archive_entry_set_perm(entry.get(), 0644);
        switch (e.kind) {
        case ZipEntry::File:
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_size(entry.get(), static_cast<la_int64_t>(e.content.size()));
            break;
        case ZipEntry::Folder:
            archive_entry_set_filetype(entry.get(), AE_IFDIR);
            archive_entry_set_perm(entry.get(), 0755);
            break;
        case ZipEntry::Symlink:
            archive_entry_set_filetype(entry.get(), AE_IFLNK);
            archive_entry_set_symlink(entry.get(), e.content.c_str());
            break;
        case ZipEntry::Hardlink:
            archive_entry_set_filetype(entry.get(), AE_IFREG);
            archive_entry_set_hardlink(entry.get(), e.content.c_str());
            break;
        }
        if (archive_write_header(zip.get(), entry.get()) != ARCHIVE_OK)
            return false;
        if (e.kind == ZipEntry::File && !e.content.empty() &&
            archive_write_data(zip.get(), e.content.data(), e.content.size()) !=
                static_cast<la_ssize_t>(e.content.size()))
            return false;
    }
    return archive_write_close(zip.get()) == ARCHIVE_OK;
}
