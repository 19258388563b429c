#pragma once
// What a SlaveManager broadcasts about a slave: started, progress, finished, aborted, failed.
// Each listener gets its own copy, with the id it registered under. Built on the manager's
// thread, handled on the GUI thread. It copies what it needs from the slave and never points
// to it: the slave is deleted as soon as it is done.

#include <cstdint>

#include <wx/string.h>

#include "threads/RevocableEvent.h"
#include "threads/Slave.h"

namespace Quorvel {

class SlaveManagerEvent : public RevocableEvent {
public:
    explicit SlaveManagerEvent(wxEventType type = wxEVT_NULL, int id = -1)
        : RevocableEvent(type, id)
    {
    }

    wxEvent* Clone() const override { return new SlaveManagerEvent(*this); }

    // Copies the numbers, the name, the serial and both progress lines.
    void fillFrom(const Slave& slave);

    // Code and message of the exception that ended the slave (aborted and failed events).
    void setError(const wxString& code, const wxString& message);
    const wxString& getErrorCode() const { return m_errorCode; }
    const wxString& getErrorMessage() const { return m_errorMessage; }

    const wxString& getName() const { return m_name; }
    int32_t getFirstNumber() const { return m_firstNumber; }
    int32_t getSecondNumber() const { return m_secondNumber; }
    // The slave's serial (Slave::getSerial); 0 for an event built by hand.
    uint64_t getSerial() const { return m_serial; }
    const wxString& getProgressText() const { return m_progressText; }
    const Slave::Values& getProgressValues() const { return m_progressValues; }
    const wxString& getDetailText() const { return m_detailText; }
    const Slave::Values& getDetailValues() const { return m_detailValues; }

private:
    wxString m_errorCode;
    wxString m_errorMessage;
    wxString m_name;
    int32_t m_firstNumber = 0;
    int32_t m_secondNumber = 0;
    uint64_t m_serial = 0;
    wxString m_progressText;
    Slave::Values m_progressValues{};
    wxString m_detailText;
    Slave::Values m_detailValues{};
};

wxDECLARE_EVENT(EVT_SLAVE_STARTED, SlaveManagerEvent);
wxDECLARE_EVENT(EVT_SLAVE_PROGRESS, SlaveManagerEvent);
// start() returned normally.
wxDECLARE_EVENT(EVT_SLAVE_FINISHED, SlaveManagerEvent);
// start() ended with AbortException; carries its code and message.
wxDECLARE_EVENT(EVT_SLAVE_ABORTED, SlaveManagerEvent);
// start() ended with any other exception; carries its code and message.
wxDECLARE_EVENT(EVT_SLAVE_FAILED, SlaveManagerEvent);

} // namespace Quorvel
