#include "filetasks/FileMoveTask.h"

#include <utility>

#include <wx/stopwatch.h>
#include <wx/translation.h>

#include "system/Log.h"

namespace Brenmarle {

FileMoveTask::FileMoveTask(Files files, FolderRef destination)
    : FileTask(std::move(files)), m_destination(std::move(destination))
{
    QDEBUG("[FILEMOVETASK] Constructur (with #files = %d", static_cast<int>(getFileCount()));
}

FileMoveTask::~FileMoveTask()
{
    QDEBUG("[FILEMOVETASK] Destructor");
}

wxString FileMoveTask::getProgressFormat() const
{
    return _("Moving picture %d of %d");
}

void FileMoveTask::handleFile(File& file)
{
    const wxStopWatch watch;
    m_destination->moveFileIn(file);
    QDEBUG("[FILEMOVETASK Moved in %0.3f secs", watch.Time() / 1000.0);
}

} // namespace Brenmarle
