#pragma once
// The small text file written beside each exported picture with what the catalogue knows about
// it and the picture file itself may not hold: caption, keywords, favourite, picture time,
// place, creator, source, copyright and the turn the program shows it with.
//
// The format is an XMP sidecar ("IMG_0001.JPG.xmp"): plain XML that a person can read, and
// the one format other photo organisers (and editors) look for beside a picture and read on
// import, so the user's captions and keywords come along when the archive is opened elsewhere.
// The sidecar is named after the whole picture name so that "a.jpg" and "a.png" in one album
// keep separate sidecars. Only fields with a value are written.
//
// Pure functions; any thread (the file's accessors take the library lock).

#include <cstdint>
#include <string>

#include <wx/string.h>

namespace Brenmarle {

class File;

class XmpSidecar {
public:
    static constexpr const char* SUFFIX = ".xmp";

    // The sidecar of `file` as UTF-8 text.
    static std::string make(const File& file);

    // `time` (wall clock read as UTC) in XMP's date form, as precise as `mask` says it is
    // known: "2006-01-02T10:04:05", "2006-01-02T10:04", "2006-01-02", "2006-01" or "2006";
    // empty when the year is unknown or the time is 0.
    static wxString dateText(int32_t time, int32_t mask);
    // `text` for an XML element or attribute: markup characters escaped, characters XML 1.0
    // does not allow (control characters other than tab and line breaks) dropped.
    static wxString escape(const wxString& text);
    // The TIFF orientation of a picture shown turned by `degrees` clockwise (1, 6, 3, 8).
    static int orientationFor(int32_t degrees);
};

} // namespace Brenmarle
