#include "dialogs/FileTaskRunner.h"

#include <utility>

#include "filetasks/FileCopyTask.h"
#include "filetasks/FileDeleteTask.h"
#include "filetasks/FileMoveTask.h"
#include "system/Log.h"
#include "threads/SlaveManager.h"
#include "threads/SlaveManagerEvent.h"

FileTaskRunner::Operation FileTaskRunner::operationOf(const Brenmarle::FileTask& task)
{
    if (dynamic_cast<const Brenmarle::FileCopyTask*>(&task))
        return Operation::Copy;
    if (dynamic_cast<const Brenmarle::FileMoveTask*>(&task))
        return Operation::Move;
    if (dynamic_cast<const Brenmarle::FileDeleteTask*>(&task))
        return Operation::Delete;
    return Operation::Unsupported;
}

FileTaskRunner::FileTaskRunner(std::unique_ptr<Brenmarle::FileTask> task, int delayMs,
                               wxWindow* parent)
    : m_parent(parent), m_operation(task ? operationOf(*task) : Operation::Unsupported),
      m_delay(this)
{
    if (m_operation == Operation::Unsupported) {
        wxLogError(_("Unsupported file operation"));
        m_state = State::Refused;
        return;
    }
    Bind(wxEVT_TIMER, &FileTaskRunner::onDelayElapsed, this);
    Bind(Quorvel::EVT_SLAVE_PROGRESS, &FileTaskRunner::onProgress, this);
    Bind(Quorvel::EVT_SLAVE_FINISHED, &FileTaskRunner::onSuccess, this);
    Bind(Quorvel::EVT_SLAVE_FAILED, &FileTaskRunner::onFailure, this);
    Bind(Quorvel::EVT_SLAVE_ABORTED, &FileTaskRunner::onFailure, this);

    m_slaveManager = std::make_unique<Quorvel::SlaveManager>();
    m_slaveManager->addListener(this, wxID_ANY);
    m_slaveManager->addSlave(std::move(task));

    if (delayMs <= 0)
        openDialog();
    else
        m_delay.StartOnce(delayMs);
}

FileTaskRunner::~FileTaskRunner()
{
    QDEBUG("[FILETASKRUNNER] Destructor called!");
    m_delay.Stop();
    if (m_slaveManager) {
        m_slaveManager->removeListener(this);
        m_slaveManager->abortAll();
        shutDownSlaveManager();
    }
    if (FileTaskDialog* dialog = m_dialog.get()) {
        dialog->setStopHandler({});
        if (!(m_state == State::Failed && dialog->IsShown()))
            dialog->Destroy();
    }
}

void FileTaskRunner::setFinishedHandler(FinishedHandler handler)
{
    m_onFinished = std::move(handler);
}

void FileTaskRunner::onStop()
{
    QDEBUG("[FILETASKRUNNER] Stop requested");
    m_stopRequested = true;
    m_delay.Stop();
    if (m_slaveManager)
        m_slaveManager->abortAll();
}

wxString FileTaskRunner::getTitle() const
{
    switch (m_operation) {
    case Operation::Copy:
        return _("Copying Files");
    case Operation::Move:
        return _("Moving Files");
    case Operation::Delete:
        return _("Deleting Files");
    case Operation::Unsupported:
        break;
    }
    return wxString();
}

void FileTaskRunner::openDialog()
{
    if (m_dialog || m_state != State::Running)
        return;
    auto* dialog = new FileTaskDialog(m_parent.get(), getTitle());
    m_dialog = dialog;
    dialog->setStopHandler([this] { onStop(); });
    if (m_lastProgress) {
        const auto& values = m_lastProgress->getProgressValues();
        dialog->showProgress(m_lastProgress->getProgressText(), values[0], values[1]);
    }
    dialog->Show();
}

void FileTaskRunner::onDelayElapsed(wxTimerEvent&)
{
    // A stopped task never brings its window back.
    if (!m_stopRequested)
        openDialog();
}

void FileTaskRunner::onProgress(Quorvel::SlaveManagerEvent& event)
{
    m_lastProgress.reset(static_cast<Quorvel::SlaveManagerEvent*>(event.Clone()));
    QDEBUG("[FILETASKRUNNER] Progress: %s", event.getProgressText());
    FileTaskDialog* dialog = m_dialog.get();
    if (dialog && dialog->IsShown() && !dialog->isStopping()) {
        const auto& values = event.getProgressValues();
        dialog->showProgress(event.getProgressText(), values[0], values[1]);
    }
}

void FileTaskRunner::onSuccess(Quorvel::SlaveManagerEvent&)
{
    QDEBUG("[FILETASKRUNNER] onTaskSuccessEvent");
    m_delay.Stop();
    if (FileTaskDialog* dialog = m_dialog.get()) {
        dialog->Destroy();
        m_dialog = nullptr;
    }
    shutDownSlaveManager();
    finish(State::Succeeded);
}

void FileTaskRunner::onFailure(Quorvel::SlaveManagerEvent& event)
{
    QDEBUG("[FILETASKRUNNER] onTaskFailureEvent");
    m_delay.Stop();
    m_failureText = event.getErrorMessage();
    if (!m_dialog && !m_stopRequested)
        openDialog();
    if (FileTaskDialog* dialog = m_dialog.get())
        dialog->showFailure(m_failureText);
    shutDownSlaveManager();
    finish(State::Failed);
}

void FileTaskRunner::shutDownSlaveManager()
{
    if (!m_slaveManager)
        return;
    QDEBUG("[FILETASKRUNNER] m_slavemanager->Delete");
    m_slaveManager->removeListener(this);
    QDEBUG("[FILETASKRUNNER] delete m_slavemanager");
    m_slaveManager.reset();
}

void FileTaskRunner::finish(State state)
{
    m_state = state;
    if (FinishedHandler handler = std::exchange(m_onFinished, nullptr))
        handler(*this);
}
