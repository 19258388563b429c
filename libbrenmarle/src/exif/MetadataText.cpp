#include "exif/MetadataText.h"

#include <cstring>

namespace Brenmarle::MetadataText {

wxString decode(const char* bytes, size_t length)
{
    if (!bytes || length == 0)
        return wxString();
    if (const void* nul = std::memchr(bytes, '\0', length))
        length = static_cast<size_t>(static_cast<const char*>(nul) - bytes);
    if (length == 0)
        return wxString();
    wxString text = wxString::FromUTF8(bytes, length);
    if (text.empty())
        text = wxString(bytes, wxConvISO8859_1, length);
    return text;
}

wxString trim(const wxString& text)
{
    static const wxString blanks = wxS(" \t\r\n");
    const size_t first = text.find_first_not_of(blanks);
    if (first == wxString::npos)
        return wxString();
    const size_t last = text.find_last_not_of(blanks);
    return text.substr(first, last - first + 1);
}

} // namespace Brenmarle::MetadataText
