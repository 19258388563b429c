#pragma once
// A worker thread that runs its waiting slaves one after the other and broadcasts each one's
// start, progress and end to its listeners as SlaveManagerEvents. The file operations, the
// wizards' downloads and the locator and price-list downloads run on one. The manager owns
// the slaves handed to it and deletes each when it is done.
//
// Lifetime: the owner holds the manager; the thread starts in the constructor. The destructor
// ("[SLAVEMANAGER] Shutdown") deletes the waiting slaves unrun, lets the running one finish
// (call abortAll() first to cut it short) and waits for the thread to end.
//
// Threads: add, insert, clear and abort from the GUI thread (abort also from others); listener
// registration as in EventBroadcaster. m_listLock guards m_slaves and m_stopRequested;
// m_currentLock guards m_current. A slave leaves the list and becomes current under both, so
// abortAll() always finds it in one place or the other. Take m_listLock first, never
// m_currentLock while taking m_listLock. A slave's onAbort() runs under both: it must not call
// back into its manager.

#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

#include <wx/thread.h>

#include "threads/EventBroadcaster.h"
#include "threads/Slave.h"
#include "threads/SlaveList.h"

namespace Quorvel {

class SlaveManager : public EventBroadcaster {
public:
    // Throws RuntimeException when the thread cannot be created.
    SlaveManager();
    ~SlaveManager() override;

    // Queues `slave` at the end; returns the number of waiting slaves.
    std::size_t addSlave(std::unique_ptr<Slave> slave);
    // Queues `slave` before the waiting slave at `position` (0 = next to run); a position
    // beyond the end appends. Returns the number of waiting slaves.
    std::size_t insertSlave(std::unique_ptr<Slave> slave, std::size_t position);
    // Aborts the running slave; returns whether one was running.
    bool abortCurrent();
    // Deletes the waiting slaves unrun; returns whether there were any.
    bool clear();
    // Deletes the waiting slaves and aborts the running one, as one step; returns whether it
    // found any.
    bool abortAll();

protected:
    // Manager thread, no lock held: `slave` has just left the list and is about to start.
    // Nothing by default; lets a subclass act at that moment. A subclass must have no slave
    // left to run when it is destroyed, since the thread ends only in this class's destructor.
    virtual void slaveTakenUp(Slave& slave) { (void)slave; }

private:
    friend class Slave;
    class Worker;

    void runLoop();
    // Waits for the next slave and makes it current; null once the manager is stopping.
    Slave* takeNext();
    void runSlave(Slave& slave);
    void finishCurrent();
    // Manager thread: broadcasts an event of `type` filled from `slave`.
    void broadcastAbout(wxEventType type, const Slave& slave,
                        const wxString& errorCode = wxString(),
                        const wxString& errorMessage = wxString());

    std::mutex m_listLock;
    std::condition_variable m_wake;
    SlaveList m_slaves;
    bool m_stopRequested = false;

    std::mutex m_currentLock;
    std::unique_ptr<Slave> m_current;

    // Constructor and destructor only.
    std::unique_ptr<Worker> m_thread;
};

} // namespace Quorvel
