#pragma once
// Texts embedded in pictures (EXIF, IPTC) carry no reliable character set: cameras write ASCII or
// whatever their firmware likes, IPTC writers often UTF-8 without declaring it. Valid UTF-8 is
// taken as such and anything else as ISO-8859-1, so no byte sequence is lost to a failed
// conversion (the locale's narrow set would turn a stray Latin-1 byte into an empty text).

#include <cstddef>

#include <wx/string.h>

namespace Brenmarle::MetadataText {

// The text of `length` bytes, up to the first NUL. Never throws for bad bytes.
wxString decode(const char* bytes, size_t length);

// `text` without blanks, tabs and line ends at either end.
wxString trim(const wxString& text);

} // namespace Brenmarle::MetadataText
