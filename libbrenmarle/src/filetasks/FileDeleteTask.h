#pragma once
// Deletes a list of files from their own folders, one after the other; see FileTask. Used for
// removing pictures from an album, and for emptying an album before it is deleted.
//
// Threads and lifetime as FileTask.

#include "filetasks/FileTask.h"
#include "folders/Folder2.h"

namespace Brenmarle {

class FileDeleteTask : public FileTask {
public:
    // With `from` given, a file that has left that folder meanwhile (moved elsewhere) is
    // skipped rather than deleted where it went.
    explicit FileDeleteTask(Files files, FolderRef from = FolderRef());
    ~FileDeleteTask() override;

protected:
    wxString getProgressFormat() const override;
    // Asks the file's folder, found through the file manager, to delete it.
    void handleFile(File& file) override;

private:
    const FolderRef m_from;
};

} // namespace Brenmarle
