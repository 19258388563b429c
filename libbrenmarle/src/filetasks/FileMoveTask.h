#pragma once
// Moves a list of files into one destination folder, one after the other; see FileTask. Only
// files whose own folder allows a move by renaming (files of the program's own store) move;
// the destination leaves the others where they are (Folder2::moveFileIn).
//
// Threads and lifetime as FileTask.

#include "filetasks/FileTask.h"
#include "folders/Folder2.h"

namespace Brenmarle {

class FileMoveTask : public FileTask {
public:
    FileMoveTask(Files files, FolderRef destination);
    ~FileMoveTask() override;

    const FolderRef& getDestination() const { return m_destination; }

protected:
    wxString getProgressFormat() const override;
    void handleFile(File& file) override;

private:
    const FolderRef m_destination;
};

} // namespace Brenmarle
