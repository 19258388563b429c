#include "threads/SlaveManager.h"

#include <exception>
#include <utility>

#include "system/Exceptions.h"
#include "system/Log.h"
#include "threads/SlaveManagerEvent.h"

namespace Quorvel {

class SlaveManager::Worker : public wxThread {
public:
    explicit Worker(SlaveManager& manager) : wxThread(wxTHREAD_JOINABLE), m_manager(manager) {}

protected:
    ExitCode Entry() override
    {
        m_manager.runLoop();
        return nullptr;
    }

private:
    SlaveManager& m_manager;
};

SlaveManager::SlaveManager() : m_thread(std::make_unique<Worker>(*this))
{
    if (m_thread->Create() != wxTHREAD_NO_ERROR || m_thread->Run() != wxTHREAD_NO_ERROR)
        throw RuntimeException(wxS("Could not start slave manager thread"));
}

SlaveManager::~SlaveManager()
{
    QDEBUG("[SLAVEMANAGER] Shutdown");
    SlaveList waiting;
    {
        std::lock_guard<std::mutex> lock(m_listLock);
        m_stopRequested = true;
        waiting = std::exchange(m_slaves, SlaveList());
    }
    m_wake.notify_all();
    // Deleted before the wait, on this thread; the worker no longer sees them.
    waiting.clear();
    m_thread->Wait(wxTHREAD_WAIT_BLOCK);
}

std::size_t SlaveManager::addSlave(std::unique_ptr<Slave> slave)
{
    return insertSlave(std::move(slave), static_cast<std::size_t>(-1));
}

std::size_t SlaveManager::insertSlave(std::unique_ptr<Slave> slave, std::size_t position)
{
    wxCHECK_MSG(slave, 0, "null slave");
    std::size_t waiting;
    {
        std::lock_guard<std::mutex> lock(m_listLock);
        m_slaves.insert(std::move(slave), position);
        waiting = m_slaves.size();
    }
    m_wake.notify_all();
    return waiting;
}

bool SlaveManager::abortCurrent()
{
    std::lock_guard<std::mutex> lock(m_currentLock);
    if (!m_current)
        return false;
    m_current->abort();
    return true;
}

bool SlaveManager::clear()
{
    SlaveList dropped;
    {
        std::lock_guard<std::mutex> lock(m_listLock);
        dropped = std::exchange(m_slaves, SlaveList());
    }
    // Deleted here, outside the lock: a slave's destructor is its owner's code.
    return dropped.clear();
}

bool SlaveManager::abortAll()
{
    SlaveList dropped;
    bool aborted = false;
    {
        // Both locks at once: the thread cannot take the next slave off the list between the
        // clearing and the abort, where neither would see it.
        std::lock_guard<std::mutex> listLock(m_listLock);
        dropped = std::exchange(m_slaves, SlaveList());
        std::lock_guard<std::mutex> currentLock(m_currentLock);
        if (m_current) {
            m_current->abort();
            aborted = true;
        }
    }
    // Deleted outside the locks, as in clear().
    const bool cleared = dropped.clear();
    return cleared || aborted;
}

void SlaveManager::runLoop()
{
    while (Slave* slave = takeNext()) {
        runSlave(*slave);
        finishCurrent();
    }
    QDEBUG("[SLAVEMANAGER] Exiting...!");
}

Slave* SlaveManager::takeNext()
{
    Slave* next = nullptr;
    {
        std::unique_lock<std::mutex> listLock(m_listLock);
        m_wake.wait(listLock, [this] { return !m_slaves.empty() || m_stopRequested; });
        if (m_stopRequested)
            return nullptr;
        // Off the list and current in one step (see abortAll()).
        std::lock_guard<std::mutex> currentLock(m_currentLock);
        m_current = m_slaves.takeFirst();
        next = m_current.get();
    }
    slaveTakenUp(*next);
    return next;
}

void SlaveManager::runSlave(Slave& slave)
{
    const void* id = &slave;
    QDEBUG("[SLAVEMANAGER] Forcing new slave %p                 to work", id);
    broadcastAbout(EVT_SLAVE_STARTED, slave);
    slave.m_manager = this;
    try {
        slave.start();
        broadcastAbout(EVT_SLAVE_FINISHED, slave);
    } catch (const AbortException& e) {
        QDEBUG("[SLAVEMANAGER] Slave %p aborted !", id);
        QDEBUG("[SLAVEMANAGER] Exception message: %s", e.getMessage());
        broadcastAbout(EVT_SLAVE_ABORTED, slave, e.getCode(), e.getMessage());
    } catch (const Exception& e) {
        QDEBUG("[SLAVEMANAGER] Slave %p threw an exception !", id);
        QDEBUG("[SLAVEMANAGER] Exception message: %s", e.getMessage());
        broadcastAbout(EVT_SLAVE_FAILED, slave, e.getCode(), e.getMessage());
    } catch (const std::exception& e) {
        const wxString message = wxString::FromUTF8(e.what());
        QDEBUG("[SLAVEMANAGER] Slave %p threw an exception !", id);
        QDEBUG("[SLAVEMANAGER] Exception message: %s", message);
        broadcastAbout(EVT_SLAVE_FAILED, slave, wxS(QUORVEL_DEFAULT_ERROR_CODE), message);
    } catch (...) {
        QDEBUG("[SLAVEMANAGER] Slave %p threw an exception !", id);
        broadcastAbout(EVT_SLAVE_FAILED, slave, wxS(QUORVEL_DEFAULT_ERROR_CODE),
                       wxS("Unknown error"));
    }
    QDEBUG("[SLAVEMANAGER] Slave %p is done; killing it", id);
}

void SlaveManager::finishCurrent()
{
    std::unique_ptr<Slave> done;
    {
        // Out of m_current first, so an abortCurrent() from the GUI thread can never reach a
        // slave that is being deleted.
        std::lock_guard<std::mutex> lock(m_currentLock);
        done = std::move(m_current);
    }
}

void SlaveManager::broadcastAbout(wxEventType type, const Slave& slave, const wxString& errorCode,
                                  const wxString& errorMessage)
{
    SlaveManagerEvent event(type);
    event.fillFrom(slave);
    event.setError(errorCode, errorMessage);
    broadcast(event);
}

} // namespace Quorvel
