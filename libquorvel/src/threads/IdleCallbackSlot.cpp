#include "threads/IdleCallbackSlot.h"

#include <chrono>

#include <wx/app.h>
#include <wx/translation.h>

#include "system/Exceptions.h"

namespace Quorvel {

namespace {

constexpr std::chrono::milliseconds POLL_INTERVAL(10);

[[noreturn]] void throwWithdrawn()
{
    throw AbortException(wxGetTranslation("Task aborted on request", "libquorvel"));
}

} // namespace

IdleCallbackSlot::IdleCallbackSlot(WakeUp wakeUp)
    : m_wakeUp(wakeUp ? std::move(wakeUp) : WakeUp(&wxWakeUpIdle))
{
}

IdleCallbackSlot& IdleCallbackSlot::instance()
{
    static IdleCallbackSlot slot;
    return slot;
}

void IdleCallbackSlot::runOnGuiThread(IWantIdleCallback& request, const CancelCheck& cancelled)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    while (m_request) {
        if (cancelled && cancelled())
            throwWithdrawn();
        m_changed.wait_for(lock, POLL_INTERVAL);
    }
    m_request = &request;
    m_taken = false;
    m_served = false;
    m_error = nullptr;
    lock.unlock();
    // Without this a quiet GUI thread would not see an idle event until the user moved the
    // mouse.
    m_wakeUp();
    lock.lock();
    while (!m_served) {
        if (!m_taken && cancelled && cancelled()) {
            m_request = nullptr;
            m_changed.notify_all();
            throwWithdrawn();
        }
        m_changed.wait_for(lock, POLL_INTERVAL);
    }
    const std::exception_ptr error = m_error;
    m_request = nullptr;
    m_error = nullptr;
    m_changed.notify_all();
    lock.unlock();
    if (error)
        std::rethrow_exception(error);
}

bool IdleCallbackSlot::serveIdleRequest()
{
    IWantIdleCallback* request;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_request || m_taken)
            return false;
        m_taken = true;
        request = m_request;
    }
    std::exception_ptr error;
    try {
        request->idleCallback();
    } catch (...) {
        error = std::current_exception();
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_served = true;
        m_error = error;
    }
    m_changed.notify_all();
    return true;
}

} // namespace Quorvel
