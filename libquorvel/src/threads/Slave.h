#pragma once
// A plain work object (a file copy, a download) run by a SlaveManager, which broadcasts its
// start, progress and end to the manager's listeners as SlaveManagerEvents. A slave is owned
// by the list or manager that holds it and runs at most once.
//
// Threads: the owner sets the numbers and name on the GUI thread before handing the slave over;
// start(), work() and the progress setters run on the manager's thread. abort() and
// isAborted() may be called from any thread (the manager calls abort() under its current-slave
// lock, so the slave is not deleted meanwhile). m_mutex guards the two progress lines.

#include <array>
#include <atomic>
#include <cstdint>
#include <mutex>

#include <wx/string.h>

namespace Quorvel {

class SlaveManager;

class Slave {
public:
    using Values = std::array<int32_t, 4>;

    // The numbers and the name are copied into every event about the slave, so listeners can
    // tell what it is about.
    explicit Slave(int32_t firstNumber = 0, int32_t secondNumber = 0,
                   const wxString& name = wxString());
    virtual ~Slave() = default;
    Slave(const Slave&) = delete;
    Slave& operator=(const Slave&) = delete;

    int32_t getFirstNumber() const { return m_firstNumber; }
    int32_t getSecondNumber() const { return m_secondNumber; }
    const wxString& getName() const { return m_name; }
    // A number no other slave of the process has; every event about the slave carries it, so a
    // listener can tell which of its slaves an event is about.
    uint64_t getSerial() const { return m_serial; }

    void setProgress(const wxString& text, const Values& values);
    void setDetail(const wxString& text, const Values& values);
    wxString getProgressText() const;
    Values getProgressValues() const;
    wxString getDetailText() const;
    Values getDetailValues() const;

    // Broadcasts a progress event through the manager running the slave; nothing without one.
    void notifyProgress();

    // Any thread: asks the slave to stop, then calls onAbort() on the calling thread.
    void abort();
    bool isAborted() const { return m_aborted.load(); }
    // Throws AbortException once aborted; work() calls it between steps.
    void checkAbort() const;

    // Manager thread: runs work(). Throws what work() throws.
    virtual void start() { work(); }

    // The manager running the slave; null until it starts. Manager thread.
    SlaveManager* getManager() const { return m_manager; }

protected:
    // The slave's job; manager thread.
    virtual void work() {}
    // Called by abort() on the aborting thread; keep it short.
    virtual void onAbort() {}

private:
    friend class SlaveManager;

    const int32_t m_firstNumber;
    const int32_t m_secondNumber;
    const wxString m_name;
    const uint64_t m_serial;
    SlaveManager* m_manager = nullptr;
    std::atomic<bool> m_aborted{false};

    mutable std::mutex m_mutex;
    wxString m_progressText;
    Values m_progressValues{};
    wxString m_detailText;
    Values m_detailValues{};
};

} // namespace Quorvel
