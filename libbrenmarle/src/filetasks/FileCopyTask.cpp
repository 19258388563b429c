#include "filetasks/FileCopyTask.h"

#include <utility>

#include <wx/translation.h>

#include "system/Log.h"

namespace Brenmarle {

FileCopyTask::FileCopyTask(Files files, FolderRef destination)
    : FileTask(std::move(files)), m_destination(std::move(destination))
{
    QDEBUG("[FILECOPYTASK] Constructur (with #files = %d", static_cast<int>(getFileCount()));
}

FileCopyTask::~FileCopyTask()
{
    QDEBUG("[FILECOPYTASK] Destructor");
}

wxString FileCopyTask::getProgressFormat() const
{
    return _("Copying picture %d of %d");
}

void FileCopyTask::handleFile(File& file)
{
    QDEBUG("[FILECOPYTASK] Copy file: %s", file.getURI());
    QDEBUG("[FILECOPYTASK] Destination folder: %s", m_destination->getURI());
    m_destination->copyFileIn(file);
}

} // namespace Brenmarle
