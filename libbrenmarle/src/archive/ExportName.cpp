#include "archive/ExportName.h"

#include "files/SafeFileName.h"
#include "util/OutputFile.h"

namespace Brenmarle {

namespace {

bool isTrimmed(wxUniChar c)
{
    return c == '.' || c == ' ';
}

} // namespace

wxString ExportName::fit(const wxString& name, size_t bytes)
{
    if (name.utf8_string().size() <= bytes)
        return name;
    const int dot = name.Find('.', true);
    const wxString extension = dot > 0 ? name.Mid(static_cast<size_t>(dot)) : wxString();
    const size_t extensionBytes = extension.utf8_string().size();
    if (extensionBytes >= bytes)
        return Quorvel::OutputFile::utf8Prefix(name, bytes);
    return Quorvel::OutputFile::utf8Prefix(name.Left(name.length() - extension.length()),
                                           bytes - extensionBytes) +
           extension;
}

wxString ExportName::clean(const wxString& name, const wxString& fallback, size_t spareBytes)
{
    wxString trimmed = name;
    // A leading dot hides the file; FAT drops a trailing one, so "a." and "a" would meet.
    while (!trimmed.empty() && isTrimmed(trimmed[0]))
        trimmed.erase(0, 1);
    while (!trimmed.empty() && isTrimmed(trimmed.Last()))
        trimmed.RemoveLast();
    if (trimmed.empty())
        return fallback.empty() ? wxString("_") : clean(fallback, wxString(), spareBytes);
    wxString safe =
        fit(SafeFileName::make(trimmed), Quorvel::OutputFile::MAX_NAME_BYTES - spareBytes);
    // Cutting a long name may leave a blank or a dot at the end of its name part.
    while (!safe.empty() && isTrimmed(safe.Last()))
        safe.RemoveLast();
    return safe.empty() ? wxString("_") : safe;
}

bool ExportName::Folder::isTaken(const wxString& name) const
{
    return m_taken.count(name.Lower()) != 0;
}

bool ExportName::Folder::isFree(const wxString& name) const
{
    if (isTaken(name))
        return false;
    return m_suffix.empty() || !isTaken(name + m_suffix);
}

void ExportName::Folder::take(const wxString& name)
{
    m_taken.insert(name.Lower());
    if (!m_suffix.empty())
        m_taken.insert((name + m_suffix).Lower());
}

wxString ExportName::Folder::reserve(const wxString& name)
{
    wxString chosen = name;
    const size_t room = Quorvel::OutputFile::MAX_NAME_BYTES - m_suffix.utf8_string().size();
    for (int number = 2; !isFree(chosen); ++number) {
        const wxString tail = wxString::Format(" (%d)", number);
        const int dot = name.Find('.', true);
        const wxString stem = dot > 0 ? name.Left(static_cast<size_t>(dot)) : name;
        const wxString extension = dot > 0 ? name.Mid(static_cast<size_t>(dot)) : wxString();
        const size_t tailBytes = (tail + extension).utf8_string().size();
        chosen = tailBytes >= room
                     ? Quorvel::OutputFile::utf8Prefix(stem + tail + extension, room)
                     : Quorvel::OutputFile::utf8Prefix(stem, room - tailBytes) + tail + extension;
    }
    take(chosen);
    return chosen;
}

} // namespace Brenmarle
