#include "ordering/CartStorage.h"

#include <cstdio>

#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/log.h>

#include "ordering/Order.h"
#include "system/Exceptions.h"
#include "system/Log.h"
#include "util/FolderTree.h"
#include "util/XMLDocument.h"

namespace Brenmarle {

CartStorage::CartStorage(const wxString& userDataDir)
    : m_path(userDataDir + "order.xml"), m_orderDir(userDataDir + "order/")
{
}

std::unique_ptr<Order> CartStorage::load()
{
    if (!wxFileName::Exists(m_path, wxFILE_EXISTS_REGULAR | wxFILE_EXISTS_NO_FOLLOW))
        return nullptr;
    const wxString error = "Could not load order from XML document";
    try {
        const Quorvel::XMLDocument document = Quorvel::XMLDocument::load(m_path, error);
        if (!document.getRoot().is(Order::ROOT_ELEMENT))
            throw Quorvel::XMLException(error);
        auto order = std::make_unique<Order>();
        order->readXML(document.getRoot());
        QDEBUG("[SHOPPINGCART] Loaded %zu order parts from %s", order->getPartCount(), m_path);
        return order;
    } catch (const Quorvel::Exception& e) {
        // Kept for the user (or support) to look at; the cart starts empty.
        const bool moved = std::rename(m_path.utf8_str(), getBadPath().utf8_str()) == 0;
        // What could not be moved aside is not written over either.
        m_locked = !moved;
        wxLogError("Could not read the shopping cart %s (%s); it was %s.", m_path, e.getMessage(),
                   moved ? "moved to " + getBadPath() : wxString("left alone"));
        return nullptr;
    }
}

void CartStorage::save(const Order& order)
{
    if (m_locked)
        throw Quorvel::IOException(wxString::Format(
            "Could not write to file %s: its unreadable contents are kept", m_path));
    Quorvel::XMLDocument document(Order::ROOT_ELEMENT);
    order.writeXML(document.getRoot());
    document.save(m_path, false);
}

void CartStorage::emptyOrderDir()
{
    Quorvel::FolderTree::remove(m_orderDir);
    if (!wxFileName::Mkdir(m_orderDir, 0755, wxPATH_MKDIR_FULL))
        throw Quorvel::IOException("Could not create order directory");
}

} // namespace Brenmarle
