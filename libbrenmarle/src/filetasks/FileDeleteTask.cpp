#include "filetasks/FileDeleteTask.h"

#include <utility>

#include <wx/translation.h>

#include "core/LibraryLock.h"
#include "filemanager/FileManager.h"
#include "system/Log.h"

namespace Brenmarle {

FileDeleteTask::FileDeleteTask(Files files, FolderRef from)
    : FileTask(std::move(files)), m_from(std::move(from))
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
    // Under one lock, so the file cannot move between the look and the deletion.
    LibraryLock lock;
    if (m_from && !m_from->fileBelongsTo(file)) {
        QDEBUG("[FILEDELETETASK] Left %s meanwhile, not deleted: %s", m_from->getURI(),
               file.getURI());
        return;
    }
    QDEBUG("[FILEDELETETASK] Delete file: %s", file.getURI());
    FileManager::get().getFolder(file.getURI())->deleteFile(file);
}

} // namespace Brenmarle
