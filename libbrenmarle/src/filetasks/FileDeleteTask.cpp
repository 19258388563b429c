#include "filetasks/FileDeleteTask.h"

#include <utility>

#include <wx/translation.h>

#include "filemanager/FileManager.h"
#include "system/Log.h"

namespace Brenmarle {

FileDeleteTask::FileDeleteTask(Files files) : FileTask(std::move(files))
{
    QDEBUG("[FILEDELETETASK] Constructur (with #files = %d", static_cast<int>(getFileCount()));
}

FileDeleteTask::~FileDeleteTask()
{
    QDEBUG("[FILEDELETETASK] Destructor");
}

wxString FileDeleteTask::getProgressFormat() const
{
    return _("Deleting picture %d of %d");
}

void FileDeleteTask::handleFile(File& file)
{
    QDEBUG("[FILEDELETETASK] Delete file: %s", file.getURI());
    FileManager::get().getFolder(file.getURI())->deleteFile(file);
}

} // namespace Brenmarle
