#include "threads/SlaveManagerEvent.h"

namespace Quorvel {

wxDEFINE_EVENT(EVT_SLAVE_STARTED, SlaveManagerEvent);
wxDEFINE_EVENT(EVT_SLAVE_PROGRESS, SlaveManagerEvent);
wxDEFINE_EVENT(EVT_SLAVE_FINISHED, SlaveManagerEvent);
wxDEFINE_EVENT(EVT_SLAVE_ABORTED, SlaveManagerEvent);
wxDEFINE_EVENT(EVT_SLAVE_FAILED, SlaveManagerEvent);

void SlaveManagerEvent::fillFrom(const Slave& slave)
{
    m_name = slave.getName();
    m_firstNumber = slave.getFirstNumber();
    m_secondNumber = slave.getSecondNumber();
    m_serial = slave.getSerial();
    m_progressText = slave.getProgressText();
    m_progressValues = slave.getProgressValues();
    m_detailText = slave.getDetailText();
    m_detailValues = slave.getDetailValues();
}

void SlaveManagerEvent::setError(const wxString& code, const wxString& message)
{
    m_errorCode = code;
    m_errorMessage = message;
}

} // namespace Quorvel
