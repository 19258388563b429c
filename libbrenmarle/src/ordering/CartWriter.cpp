#include "ordering/CartWriter.h"

#include <wx/log.h>

#include "ordering/CartStorage.h"
#include "ordering/Order.h"
#include "system/Exceptions.h"

namespace Brenmarle {

CartWriter::CartWriter(CartStorage& storage) : m_storage(storage), m_thread([this] { run(); }) {}

CartWriter::~CartWriter()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

void CartWriter::write(std::unique_ptr<Order> snapshot)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_next = std::move(snapshot);
    }
    m_changed.notify_all();
}

void CartWriter::waitUntilWritten()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_next && !m_busy; });
}

void CartWriter::run()
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_next || m_stopping; });
        if (!m_next)
            return;
        std::unique_ptr<Order> order = std::move(m_next);
        m_busy = true;
        lock.unlock();
        try {
            m_storage.save(*order);
        } catch (const Quorvel::Exception& e) {
            wxLogError("Could not save the shopping cart: %s", e.getMessage());
        } catch (const std::exception& e) {
            wxLogError("Could not save the shopping cart: %s", e.what());
        }
        order.reset();
        lock.lock();
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace Brenmarle
