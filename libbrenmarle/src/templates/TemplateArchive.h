#pragma once
// Unpacks a template package, a ZIP archive from the provider, into a folder of its own, and
// takes nothing from it that could reach outside that folder or fill the disk: every entry is
// checked before anything is written, and the whole archive is refused for an entry whose name
// is absolute, has a ".." step or a backslash, or which is a link or anything but a plain file
// or folder; for more than MAX_ENTRIES entries; and once more than MAX_BYTES would be unpacked
// (counted from the bytes themselves, not from what the archive claims). Files are created new
// and never through a link.
//
// Threads: any; one call at a time per folder.

#include <cstddef>
#include <cstdint>
#include <functional>

#include <wx/string.h>

namespace Brenmarle {

class TemplateArchive {
public:
    static constexpr size_t MAX_ENTRIES = 4096;
    static constexpr int64_t MAX_BYTES = 512LL * 1024 * 1024;

    struct Limits {
        size_t maxEntries = MAX_ENTRIES;
        int64_t maxBytes = MAX_BYTES;
    };
    // Told after each entry written: entries done and the archive's total. Throwing (an
    // AbortException) ends the unpacking.
    using Progress = std::function<void(size_t done, size_t total)>;

    // Unpacks `zipPath` into `folder` (which exists). Throws IOException "Refused entry %s in
    // template package" for a refused entry, "Template package has too many entries" or
    // "Template package unpacks to more than %lld bytes", "Could not open file %s for
    // writing", "Could not read template package: %s" for an archive that is not a ZIP or is
    // damaged; what `progress` throws. On failure what was written stays in `folder`, for the
    // caller to remove with it.
    static void unpack(const wxString& zipPath, const wxString& folder, const Progress& progress,
                       const Limits& limits);
    static void unpack(const wxString& zipPath, const wxString& folder, const Progress& progress)
    {
        unpack(zipPath, folder, progress, Limits());
    }

    // Whether an entry name is one the archive may hold: relative plain steps (a folder's
    // trailing "/" allowed).
    static bool isAcceptableName(const std::string& name);
};

} // namespace Brenmarle
