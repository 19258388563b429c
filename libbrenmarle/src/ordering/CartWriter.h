#pragma once
// Writes the shopping cart's order to disk on a thread of its own: making the XML text of a
// cart of hundreds of parts takes tens of milliseconds, too long for the GUI thread. The GUI
// thread hands over a copy of the order (under a millisecond); when copies arrive faster than
// they are written, only the latest is written.
//
// Threads: write(), waitUntilWritten() and the destructor on the GUI thread; the writes and
// their error log on the writer thread. m_mutex guards m_next, m_busy and m_stopping.

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace Brenmarle {

class CartStorage;
class Order;

class CartWriter {
public:
    // `storage` must outlive this.
    explicit CartWriter(CartStorage& storage);
    // Writes what is still queued, then ends the thread. Never throws.
    ~CartWriter();
    CartWriter(const CartWriter&) = delete;
    CartWriter& operator=(const CartWriter&) = delete;

    void write(std::unique_ptr<Order> snapshot);
    // Returns once every copy handed over so far is written (or failed, which is logged).
    void waitUntilWritten();

private:
    void run();

    CartStorage& m_storage;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unique_ptr<Order> m_next;
    bool m_busy = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace Brenmarle
