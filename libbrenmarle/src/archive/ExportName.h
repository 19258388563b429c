#pragma once
// Names of the folders and files an archive export writes into a folder the user chose. The
// names come from albums and pictures, which the user (or a camera, a web import, a share)
// named freely: each is made safe for any disk the user may export to (a USB stick or memory
// card is FAT), is never hidden, never names the folder itself or its parent, and fits a file
// name.
//
// Pure functions and a plain value; any thread, one thread at a time per object.

#include <cstddef>
#include <set>

#include <wx/string.h>

namespace Brenmarle {

class ExportName {
public:
    // `name` cleaned: characters FAT refuses and control characters become "_", leading dots
    // and blanks go, trailing dots and blanks go (FAT drops them and two names would meet),
    // at most Quorvel::OutputFile::MAX_NAME_BYTES less `spareBytes` bytes of UTF-8 with the
    // extension kept (the spare bytes leave room for a sidecar's suffix). A name left empty
    // becomes `fallback` (cleaned in turn).
    static wxString clean(const wxString& name, const wxString& fallback, size_t spareBytes = 0);
    // `name` cut to `bytes` bytes of UTF-8: its name part loses its end, its extension stays.
    static wxString fit(const wxString& name, size_t bytes);

    // The names taken in one folder of the export, compared without regard to case (a FAT
    // disk does not tell "Trip" from "trip"). A picture and its sidecar (the picture's name +
    // `suffix`) are reserved together, so a sidecar always sits beside its own picture.
    class Folder {
    public:
        explicit Folder(const wxString& suffix = wxString()) : m_suffix(suffix) {}
        // `name`, or "name (2).ext", "name (3).ext", ... when it (or its sidecar name) is
        // taken; marks the result taken.
        wxString reserve(const wxString& name);
        bool isTaken(const wxString& name) const;

    private:
        bool isFree(const wxString& name) const;
        void take(const wxString& name);

        wxString m_suffix;
        std::set<wxString> m_taken;
    };
};

} // namespace Brenmarle
