#include "filetasks/FileTask.h"

#include <exception>
#include <utility>

#include <wx/translation.h>

#include "system/Exceptions.h"
#include "system/Log.h"

namespace Brenmarle {

FileTask::FileTask(Files files) : m_files(std::move(files)) {}

void FileTask::work()
{
    const int count = static_cast<int>(m_files.size());
    for (int i = 1; i <= count; ++i) {
        reportProgress(wxString::Format(getProgressFormat(), i, count), i - 1, count);
        // Between files only: the file being handled when the user stops is finished first.
        if (isAborted())
            throw Quorvel::AbortException(_("Aborted by user"));
        File& file = *m_files[i - 1];
        try {
            handleFile(file);
        } catch (const Quorvel::Exception& e) {
            QDEBUG("Exception: %s", e.getMessage());
            throw;
        } catch (const std::exception& e) {
            QDEBUG("Exception: %s", wxString::FromUTF8(e.what()));
            throw;
        }
    }
    reportProgress(_("Finished"), count, count);
}

void FileTask::reportProgress(const wxString& text, int done, int count)
{
    setProgress(text, {done, count, 0, 0});
    notifyProgress();
}

} // namespace Brenmarle
