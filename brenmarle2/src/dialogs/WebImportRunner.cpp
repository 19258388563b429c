#include "dialogs/WebImportRunner.h"

#include <utility>

#include <wx/filename.h>
#include <wx/translation.h>

#include "import/ImportTask.h"
#include "import/WebImport.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

WebImportRunner::WebImportRunner(std::unique_ptr<Brenmarle::WebImport> import, wxWindow* parent)
    : m_import(std::move(import))
{
    m_task = m_import->prepare();
    if (!m_task) {
        m_import->finish();
        return;
    }
    Bind(Quorvel::EVT_TASK_PROGRESS, &WebImportRunner::onProgress, this);
    Bind(Quorvel::EVT_TASK_FINISHED, &WebImportRunner::onEnded, this);
    Bind(Quorvel::EVT_TASK_ABORTED, &WebImportRunner::onEnded, this);
    Bind(Quorvel::EVT_TASK_FAILED, &WebImportRunner::onEnded, this);
    m_runner = std::make_unique<Quorvel::TaskRunnerThread>();
    m_runner->addTask(m_task, this);
    m_running = true;

    auto* dialog = new FileTaskDialog(parent, _("Importing Pictures"));
    m_dialog = dialog;
    dialog->setStopHandler([this] { stop(); });
    dialog->showProgress(_("Downloading pictures..."), 0, m_task->getTotalCount());
    dialog->Show();
}

WebImportRunner::~WebImportRunner()
{
    if (m_runner) {
        // Quietly: nobody is left to hear of the end.
        m_runner->removeListener(this);
        m_runner->abortAll(true);
        m_runner.reset();
    }
    closeDialog();
}

void WebImportRunner::setFinishedHandler(FinishedHandler handler)
{
    m_onFinished = std::move(handler);
}

void WebImportRunner::stop()
{
    QDEBUG("[WEBIMPORTRUNNER] Stop requested");
    if (m_running && m_task)
        m_task->abort();
}

void WebImportRunner::onProgress(Quorvel::TaskEvent& event)
{
    FileTaskDialog* dialog = m_dialog.get();
    if (!dialog || dialog->isStopping())
        return;
    wxString text = event.getProgressText();
    if (!event.getDetailText().empty()) {
        text += " - " + event.getDetailText();
        if (event.getDetailTotal() > 0)
            text += wxString::Format(
                " (%s of %s)", wxFileName::GetHumanReadableSize(wxULongLong(event.getDetailDone())),
                wxFileName::GetHumanReadableSize(wxULongLong(event.getDetailTotal())));
    }
    dialog->showProgress(text, static_cast<int>(event.getProgressDone()),
                         static_cast<int>(event.getProgressTotal()));
}

void WebImportRunner::onEnded(Quorvel::TaskEvent& event)
{
    QDEBUG("[WEBIMPORTRUNNER] Import ended: %s", event.getErrorMessage());
    m_running = false;
    closeDialog();
    if (m_runner) {
        m_runner->removeListener(this);
        m_runner.reset();
    }
    // Each file that failed, and those a stop or a full disk kept it from, are logged here.
    m_import->finish();
    if (FinishedHandler handler = std::exchange(m_onFinished, nullptr))
        handler(*this);
}

void WebImportRunner::closeDialog()
{
    if (FileTaskDialog* dialog = m_dialog.get()) {
        dialog->setStopHandler({});
        dialog->Destroy();
        m_dialog = nullptr;
    }
}
