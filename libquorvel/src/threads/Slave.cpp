#include "threads/Slave.h"

#include <wx/translation.h>

#include "system/Exceptions.h"
#include "threads/SlaveManager.h"
#include "threads/SlaveManagerEvent.h"

namespace Quorvel {

namespace {
std::atomic<uint64_t> lastSerial{0};
} // namespace

Slave::Slave(int32_t firstNumber, int32_t secondNumber, const wxString& name)
    : m_firstNumber(firstNumber), m_secondNumber(secondNumber), m_name(name), m_serial(++lastSerial)
{
}

void Slave::setProgress(const wxString& text, const Values& values)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_progressText = text;
    m_progressValues = values;
}

void Slave::setDetail(const wxString& text, const Values& values)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_detailText = text;
    m_detailValues = values;
}

wxString Slave::getProgressText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_progressText;
}

Slave::Values Slave::getProgressValues() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_progressValues;
}

wxString Slave::getDetailText() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_detailText;
}

Slave::Values Slave::getDetailValues() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_detailValues;
}

void Slave::notifyProgress()
{
    if (m_manager)
        m_manager->broadcastAbout(EVT_SLAVE_PROGRESS, *this);
}

void Slave::abort()
{
    m_aborted = true;
    onAbort();
}

void Slave::checkAbort() const
{
    if (isAborted())
        throw AbortException(wxGetTranslation("Operation aborted on request", "libquorvel"));
}

} // namespace Quorvel
