#pragma once
// Deletes a list of files from their own folders, one after the other; see FileTask. Used for
// removing pictures from an album, and for emptying an album before it is deleted.
//
// Threads and lifetime as FileTask.

#include "filetasks/FileTask.h"

namespace Brenmarle {

class FileDeleteTask : public FileTask {
public:
    explicit FileDeleteTask(Files files);
    ~FileDeleteTask() override;

protected:
    wxString getProgressFormat() const override;
    // Asks the file's folder, found through the file manager, to delete it.
    void handleFile(File& file) override;
};

} // namespace Brenmarle
