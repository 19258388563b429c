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
    // The lines for the kinds left unticked.
    std::vector<wxString> skippedLines(const Ticked& ticked) const;

private:
    ImportTask::Files m_files;
    std::array<int, ImportFileKind::COUNT> m_counts{};
};

} // namespace Brenmarle
