#pragma once
// Copies a list of files (of any folders) into one destination folder, one after the other;
// see FileTask. The copies get new names in the destination (new UUIDs in an album, free file
// names in a computer folder); the originals stay where they are.
//
// Threads and lifetime as FileTask.

#include "filetasks/FileTask.h"
#include "folders/Folder2.h"

namespace Brenmarle {

class FileCopyTask : public FileTask {
public:
    // `destination` must accept copies (Folder2::copyFileIn).
    FileCopyTask(Files files, FolderRef destination);
    ~FileCopyTask() override;

    const FolderRef& getDestination() const { return m_destination; }

protected:
    wxString getProgressFormat() const override;
    void handleFile(File& file) override;

private:
    const FolderRef m_destination;
};

} // namespace Brenmarle
