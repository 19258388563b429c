#include "import/ImportSelection.h"

#include <algorithm>

#include <wx/intl.h>

namespace Brenmarle {

namespace {

wxString counted(int count, const char* one, const char* many)
{
    return wxString::Format(count == 1 ? one : many, count);
}

} // namespace

ImportSelection::ImportSelection(ImportTask::Files files) : m_files(std::move(files))
{
    for (const Quorvel::Ref<File>& file : m_files) {
        const wxString name = file->getFileName();
        ++m_counts[ImportFileKind::of(name)];
        if (!ImportFileKind::isUndecodablePicture(name))
            continue;
        ++m_undecodable;
        const wxString extension = name.AfterLast('.').Upper();
        if (std::find(m_undecodableExtensions.begin(), m_undecodableExtensions.end(), extension) ==
            m_undecodableExtensions.end())
            m_undecodableExtensions.push_back(extension);
    }
}

wxString ImportSelection::undecodableExtensions() const
{
    wxString joined;
    for (const wxString& extension : m_undecodableExtensions)
        joined += (joined.empty() ? "" : ", ") + extension;
    return joined;
}

wxString ImportSelection::undecodableNote() const
{
    if (m_undecodable == 0)
        return wxString();
    return wxString::Format(wxPLURAL("%d picture (%s) cannot be read on this computer. It "
                                     "counts as Other and is left behind unless Other is ticked.",
                                     "%d pictures (%s) cannot be read on this computer. They "
                                     "count as Other and are left behind unless Other is ticked.",
                                     m_undecodable),
                            m_undecodable, undecodableExtensions());
}

ImportTask::Files ImportSelection::chosen(const Ticked& ticked) const
{
    ImportTask::Files files;
    for (const Quorvel::Ref<File>& file : m_files) {
        if (ticked[ImportFileKind::of(file->getFileName())])
            files.push_back(file);
    }
    return files;
}

std::vector<wxString> ImportSelection::resultLines(int imported, int failed, int alreadyThere)
{
    std::vector<wxString> lines;
    lines.push_back(counted(imported, "%d file was successfully imported",
                            "%d files were successfully imported"));
    if (alreadyThere > 0)
        lines.push_back(counted(alreadyThere,
                                "%d file was already in your collection and was skipped",
                                "%d files were already in your collection and were skipped"));
    if (failed > 0)
        lines.push_back(counted(failed, "%d file was not imported due to an error",
                                "%d files were not imported due to errors"));
    return lines;
}

std::vector<wxString> ImportSelection::skippedLines(const Ticked& ticked) const
{
    std::vector<wxString> lines;
    const auto add = [&](ImportFileKind::Kind kind, const char* one, const char* many) {
        if (!ticked[kind] && m_counts[kind] > 0)
            lines.push_back(counted(m_counts[kind], one, many));
    };
    add(ImportFileKind::Photo, "%d picture was skipped", "%d pictures were skipped");
    add(ImportFileKind::Video, "%d video was skipped", "%d videos were skipped");
    add(ImportFileKind::Audio, "%d audio file was skipped", "%d audio files were skipped");
    if (ticked[ImportFileKind::Other])
        return lines;
    if (const int ignored = m_counts[ImportFileKind::Other] - m_undecodable; ignored > 0)
        lines.push_back(counted(ignored, "%d file was ignored (not video, audio or photo)",
                                "%d file were ignored (not video, audio or photo)"));
    if (m_undecodable > 0)
        lines.push_back(wxString::Format(
            wxPLURAL("%d picture (%s) was left behind: this computer cannot read it",
                     "%d pictures (%s) were left behind: this computer cannot read them",
                     m_undecodable),
            m_undecodable, undecodableExtensions()));
    return lines;
}

} // namespace Brenmarle
