#pragma once
// What an import offers and what the user chose: the scanned files counted by kind, the files
// of the ticked kinds, and the sentences that sum an import up for the result page.
//
// Threads: a value; one thread at a time.

#include <array>
#include <vector>

#include "import/ImportFileKind.h"
#include "import/ImportTask.h"

namespace Brenmarle {

class ImportSelection {
public:
    using Ticked = std::array<bool, ImportFileKind::COUNT>;

    explicit ImportSelection(ImportTask::Files files = {});

    const ImportTask::Files& getFiles() const { return m_files; }
    int count(ImportFileKind::Kind kind) const { return m_counts[kind]; }
    // The files of the ticked kinds, in their order.
    ImportTask::Files chosen(const Ticked& ticked) const;

    // The result page's lines for an import that ended (imported and failed from the task,
    // `alreadyThere` the files skipped as already in the catalogue): singular forms for one.
    static std::vector<wxString> resultLines(int imported, int failed, int alreadyThere);
    // The lines for the kinds left unticked. Pictures this computer cannot decode have a line
    // of their own, apart from the other files ignored.
    std::vector<wxString> skippedLines(const Ticked& ticked) const;

    // Pictures this computer cannot decode (counted among Other), and their extensions in
    // capitals ("CR2, NEF"), in the order first met.
    int undecodableCount() const { return m_undecodable; }
    wxString undecodableExtensions() const;
    // What the options page says about them: that they are left behind unless Other is
    // ticked. Empty when there are none.
    wxString undecodableNote() const;

private:
    ImportTask::Files m_files;
    std::array<int, ImportFileKind::COUNT> m_counts{};
    int m_undecodable = 0;
    std::vector<wxString> m_undecodableExtensions;
};

} // namespace Brenmarle
