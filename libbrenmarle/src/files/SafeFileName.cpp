#include "files/SafeFileName.h"

#include <utility>

#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

using Quorvel::OutputFile;

// `stem` followed by `tail`, the stem cut so that the whole fits in a file name.
wxString fitted(const wxString& stem, const wxString& tail)
{
    const size_t tailBytes = tail.utf8_string().size();
    if (tailBytes >= OutputFile::MAX_NAME_BYTES)
        return OutputFile::utf8Prefix(stem + tail, OutputFile::MAX_NAME_BYTES);
    return OutputFile::utf8Prefix(stem, OutputFile::MAX_NAME_BYTES - tailBytes) + tail;
}

// The name part and the extension with its dot; a leading dot starts no extension.
std::pair<wxString, wxString> split(const wxString& name)
{
    const int dot = name.Find('.', true);
    if (dot <= 0)
        return {name, wxString()};
    return {name.Left(static_cast<size_t>(dot)), name.Mid(static_cast<size_t>(dot))};
}

} // namespace

wxString SafeFileName::make(const wxString& name)
{
    if (name.empty() || name == "." || name == "..")
        return "_";
    wxString safe;
    safe.reserve(name.length());
    for (wxUniChar c : name) {
        const wxUint32 v = c.GetValue();
        const bool forbidden =
            v < 0x20 || v == 0x7f || wxString("/\\:*?\"<>|").Find(c) != wxNOT_FOUND;
        safe += forbidden ? wxUniChar('_') : c;
    }
    const auto [stem, extension] = split(safe);
    return fitted(stem, extension);
}

wxString SafeFileName::numbered(const wxString& name, int number)
{
    const auto [stem, extension] = split(name);
    return fitted(stem, wxString::Format(" (%d)", number) + extension);
}

} // namespace Brenmarle
