#pragma once
// The JFIF header of a JPEG: an APP0 segment starting "JFIF\0" (with its "JFXX\0" extension),
// which says how the colours are coded and the pixel density. Many cameras write none; a copy
// made for such a picture is left without one too, so a print service reads the copy as it
// would have read the original.
//
// The bytes come from outside. Only the segments before the first scan are looked at; bytes
// that are not a JPEG, or whose header segments are cut short or claim more than is there,
// have no JFIF header beyond the whole segments found, and nothing is taken out of them.
//
// Thread-safe (no shared state).

#include <cstddef>
#include <string>

#include <wx/string.h>

namespace Brenmarle {

class JfifHeader {
public:
    // How much of a file's start isInFile reads: the header segments of any ordinary JPEG.
    static constexpr size_t HEAD_BYTES = 512 * 1024;

    // Whether the JPEG `bytes` hold a JFIF header before their first scan.
    static bool isIn(const std::string& bytes);
    // The same for the start of the file at `path`; false when it cannot be read.
    static bool isInFile(const wxString& path);

    // `bytes` without their JFIF header segments; unchanged when they have none or are not a
    // well-formed JPEG up to the first scan.
    static std::string removeFrom(const std::string& bytes);
    // Takes the JFIF header out of the file at `path`, which is replaced whole or not at all.
    // Throws the framework's file exceptions when it cannot be read or written.
    static void removeFromFile(const wxString& path);
};

} // namespace Brenmarle
