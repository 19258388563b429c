#pragma once
// Where the shopping cart's order lives between runs: order.xml in the user data directory.
//
// A file that cannot be read is moved aside to order.xml.bad (replacing an older one) before
// anything else is written, so what the user had is never overwritten by an empty cart.
// Writing is atomic: a kill or a full disk leaves the previous file whole.
//
// Threads: the GUI thread (the cart's).

#include <memory>

#include <wx/string.h>

namespace Brenmarle {

class Order;

class CartStorage {
public:
    // `userDataDir` ends in "/".
    explicit CartStorage(const wxString& userDataDir);

    // The saved order; null when there is none or it could not be read (then logged, and the
    // file moved aside).
    std::unique_ptr<Order> load();
    // Throws the file exceptions of Quorvel::OutputFile, and Quorvel::IOException when an
    // unreadable file could not be moved aside.
    void save(const Order& order);

    const wxString& getPath() const { return m_path; }
    wxString getBadPath() const { return m_path + ".bad"; }
    // The folder of items other programs prepare: userDataDir + "order/".
    const wxString& getOrderDir() const { return m_orderDir; }
    // Removes the folder with everything in it, never following a link, and creates it
    // again. Throws Quorvel::IOException ("Could not create order directory" when it cannot
    // be made again).
    void emptyOrderDir();

private:
    wxString m_path;
    wxString m_orderDir;
    bool m_locked = false;
};

} // namespace Brenmarle
