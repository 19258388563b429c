#include "safestorage/SynchronizeManager.h"

#include <algorithm>

#include <wx/intl.h>
#include <wx/log.h>

#include "database/Database.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "service/AccountSettings.h"
#include "system/Configuration.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/TaskEvent.h"
#include "threads/TaskRunnerThread.h"

wxDEFINE_EVENT(SYNCHRONIZE_STATUS, wxCommandEvent);

namespace {
// The network's own failures: the service was never reached, so there is nothing to tell the
// user beyond "no connection"; the retry comes by itself.
bool isConnectionCode(const wxString& code)
{
    return code == "Network.ConnectionError" || code == "Network.Unavailable" ||
           code == "Network.ConnectionRefused";
}
} // namespace

SynchronizeManager::SynchronizeManager(Quorvel::Configuration& configuration,
                                       Brenmarle::Database& database, TaskFactory factory)
    : m_configuration(configuration), m_database(database), m_factory(std::move(factory)),
      m_reportError([](const wxString& text) { wxLogError("%s", text); }),
      m_runner(std::make_unique<Quorvel::TaskRunnerThread>())
{
    m_timer.SetOwner(this);
    Bind(wxEVT_TIMER, &SynchronizeManager::onTimer, this, m_timer.GetId());
    Bind(Quorvel::EVT_TASK_STARTED, &SynchronizeManager::onTaskStarted, this);
    Bind(Quorvel::EVT_TASK_PROGRESS, &SynchronizeManager::onTaskProgress, this);
    Bind(Quorvel::EVT_TASK_FINISHED, &SynchronizeManager::onTaskFinished, this);
    Bind(Quorvel::EVT_TASK_FAILED, &SynchronizeManager::onTaskFailed, this);
    Bind(Quorvel::EVT_TASK_ABORTED, &SynchronizeManager::onTaskAborted, this);
    Bind(Brenmarle::FILE_CHANGED, &SynchronizeManager::onFileEvent, this);
    Bind(Brenmarle::FILE_REMOVED, &SynchronizeManager::onFileEvent, this);
    if (Brenmarle::FileManager::exists()) {
        Brenmarle::FileManager::get().addListener(this, 0);
        m_listening = true;
    }
    m_accountId = currentAccountId();

    int stored = 0;
    m_configuration.getUserConfig().readInt(LEVEL_KEY, stored, 0);
    if (stored < 0 || stored > MAX_LEVEL) {
        QDEBUG("[SYNCHRONIZEMANAGER] Ignoring stored level %d", stored);
        stored = 0;
    }
    setLevel(stored);
}

SynchronizeManager::~SynchronizeManager()
{
    m_timer.Stop();
    if (m_listening && Brenmarle::FileManager::exists())
        Brenmarle::FileManager::get().removeListener(this);
    m_runner->removeListener(this);
    m_runner->abortAll(true);
    m_runner.reset();
}

void SynchronizeManager::setLevel(int level)
{
    if (level < 0 || level > MAX_LEVEL)
        throw Quorvel::LogicException(wxString::Format("Invalid synchronization level %d", level));
    if (level == 0)
        m_level = 0;
    else
        m_level = std::max(m_level, level);
    if (m_running)
        m_levelDuringRun = std::max(m_levelDuringRun, level);
    storeLevel();
    arm();
}

void SynchronizeManager::storeLevel()
{
    Quorvel::Configuration::Lock lock(m_configuration.getLock());
    Quorvel::ConfigFile& user = m_configuration.getUserConfig();
    int stored = -1;
    user.readInt(LEVEL_KEY, stored, -1);
    if (stored == m_level)
        return;
    user.writeInt(LEVEL_KEY, m_level);
    // Written at once: the point of storing it is to survive an end the program never sees.
    m_configuration.flushUserConfig();
}

int SynchronizeManager::delayForLevel(int level)
{
    switch (level) {
    case 5:
        return 2 * 1000;
    case 4:
        return 10 * 1000;
    case 3:
        return 180 * 1000;
    case 2:
        return 600 * 1000;
    default:
        return 0;
    }
}

void SynchronizeManager::arm()
{
    m_paused = false;
    m_timer.Stop();
    m_delayMs = 0;
    if (hasAccount()) {
        m_delayMs = delayForLevel(m_level);
        if (m_delayMs > 0) {
            QDEBUG("[SYNCHRONIZEMANAGER] Level %d: synchronizing in %d seconds", m_level,
                   m_delayMs / 1000);
            m_timer.StartOnce(m_delayMs);
        }
    }
    sendStatus();
}

bool SynchronizeManager::isTimerArmed() const
{
    return m_timer.IsRunning();
}

void SynchronizeManager::pause()
{
    QDEBUG("[SYNCHRONIZEMANAGER] Paused");
    m_timer.Stop();
    m_delayMs = 0;
    m_paused = true;
    // The run under way stops too; what it did not do stays due.
    if (m_running)
        m_runner->abortAll();
    sendStatus();
}

void SynchronizeManager::resume()
{
    QDEBUG("[SYNCHRONIZEMANAGER] Resumed");
    arm();
}

void SynchronizeManager::accountChanged()
{
    const wxString account = currentAccountId();
    if (account != m_accountId) {
        QDEBUG("[SYNCHRONIZEMANAGER] Account changed: dropping the operation journal");
        // The journal names pictures of the previous account's storage; sent under the new
        // one it would move or delete what is not the user's any more.
        m_database.clearSafeStorageOps();
        m_accountId = account;
        if (m_running)
            m_runner->abortAll();
        m_lastRunFailed = false;
        m_lastRunSucceeded = false;
        setLevel(0);
        return;
    }
    arm();
}

void SynchronizeManager::expire()
{
    m_timer.Stop();
    m_delayMs = 0;
    QDEBUG("[SYNCHRONIZEMANAGER: Start synchronization task NOW!");
    if (m_paused || m_running || !hasAccount()) {
        // A run under way picks up what is due when it ends (endRun()).
        QDEBUG("[SYNCHRONIZEMANAGER] Not now: %s",
               m_paused ? "paused" : (m_running ? "a run is under way" : "no account"));
        return;
    }
    Quorvel::Ref<Quorvel::Task> task = m_factory ? m_factory() : Quorvel::Ref<Quorvel::Task>();
    if (!task) {
        QDEBUG("[SYNCHRONIZEMANAGER] No synchronization task available");
        sendStatus();
        return;
    }
    m_running = true;
    m_levelDuringRun = 0;
    m_progressText = _("Synchronization started");
    m_runner->addTask(task, this);
    sendStatus();
}

void SynchronizeManager::onTimer(wxTimerEvent&)
{
    expire();
}

SynchronizeManager::Status SynchronizeManager::getStatus() const
{
    if (m_running)
        return Status::Running;
    if (!hasAccount())
        return Status::Idle;
    if (m_paused)
        return Status::Paused;
    if (m_lastRunFailed)
        return Status::Failed;
    if (m_level >= 2)
        return Status::Scheduled;
    return m_lastRunSucceeded ? Status::Succeeded : Status::Idle;
}

bool SynchronizeManager::isDue() const
{
    return m_level > 0 && hasAccount();
}

bool SynchronizeManager::isConnectionError() const
{
    return isConnectionCode(m_errorCode);
}

bool SynchronizeManager::hasAccount() const
{
    return Brenmarle::AccountSettings::read(m_configuration).exists();
}

wxString SynchronizeManager::currentAccountId() const
{
    const auto account = Brenmarle::AccountSettings::read(m_configuration);
    return account.exists() ? account.accountId : wxString();
}

void SynchronizeManager::sendStatus()
{
    wxCommandEvent event(SYNCHRONIZE_STATUS);
    event.SetInt(m_level);
    send(event);
}

void SynchronizeManager::raiseForChange(int level)
{
    // An edit puts off an immediate run to its own delay, so a burst of edits is sent once.
    if (m_level == MAX_LEVEL)
        setLevel(0);
    setLevel(level);
}

void SynchronizeManager::onFileEvent(Brenmarle::FileEvent& event)
{
    const Quorvel::Ref<Brenmarle::File>& file = event.getFile();
    if (!file || file->getSafeStorageType() == 0 || !hasAccount())
        return;
    if (event.GetEventType() == Brenmarle::FILE_REMOVED) {
        // Deleted or moved: the catalogue journalled the operation.
        raiseForChange(3);
        return;
    }
    if (file->getSafeStorageAccountId() != m_accountId)
        return;
    const int32_t revision = file->getSafeStorageRevision();
    if (revision == 0 || file->getFileModifyTime() > revision)
        raiseForChange(4);
    else if (file->getMetaModifyTime() > revision)
        raiseForChange(3);
}

void SynchronizeManager::onTaskStarted(Quorvel::TaskEvent& event)
{
    if (!event.getProgressText().empty())
        m_progressText = event.getProgressText();
    sendStatus();
}

void SynchronizeManager::onTaskProgress(Quorvel::TaskEvent& event)
{
    m_progressText = event.getProgressText();
    sendStatus();
}

void SynchronizeManager::onTaskFinished(Quorvel::TaskEvent&)
{
    QDEBUG("[SYNCHRONIZEMANAGER: Success!");
    m_lastRunFailed = false;
    m_lastRunSucceeded = true;
    m_errorCode.clear();
    m_errorMessage.clear();
    endRun();
}

void SynchronizeManager::onTaskFailed(Quorvel::TaskEvent& event)
{
    QDEBUG("[SYNCHRONIZEMANAGER: Failure!");
    m_running = false;
    m_lastRunFailed = true;
    m_lastRunSucceeded = false;
    m_errorCode = event.getErrorCode();
    m_errorMessage = event.getErrorMessage();
    if (isConnectionError()) {
        QDEBUG("[SYNCHRONIZEMANAGER] Connection error");
    } else {
        m_reportError(wxString::Format(_("Error in synchronization (%s):\n\n%s"), m_errorCode,
                                       m_errorMessage));
    }
    // The next attempt in 10 minutes, whatever was due: a failing service is not hammered.
    setLevel(0);
    setLevel(2);
}

void SynchronizeManager::onTaskAborted(Quorvel::TaskEvent&)
{
    QDEBUG("[SYNCHRONIZEMANAGER: Abort!");
    // What the run did not do stays due; the pause (or the new account) decides what next.
    m_running = false;
    sendStatus();
}

void SynchronizeManager::endRun()
{
    m_running = false;
    const int pending = m_levelDuringRun;
    m_levelDuringRun = 0;
    setLevel(0);
    if (pending > 0)
        setLevel(pending);
}
