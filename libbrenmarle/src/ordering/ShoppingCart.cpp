#include "ordering/ShoppingCart.h"

#include <algorithm>
#include <utility>

#include <wx/log.h>

#include "core/Exceptions.h"
#include "filemanager/FileEvent.h"
#include "filemanager/FileManager.h"
#include "ordering/ExternalOrderItem.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"
#include "ordering/ScaledCopies.h"
#include "ordering/ShoppingCartEvent.h"
#include "system/Log.h"

namespace Brenmarle {

ShoppingCart::ShoppingCart(const wxString& userDataDir, std::shared_ptr<const Pricelist> pricelist,
                           int saveDelayMs)
    : m_storage(userDataDir), m_copiesFolder(ScaledCopies::folderOf(userDataDir)),
      m_pricelist(std::move(pricelist)), m_saveTimer(this),
      m_saveDelayMs(saveDelayMs)
{
    Bind(wxEVT_TIMER, &ShoppingCart::onSaveTimer, this);
    Bind(FILE_REMOVED, &ShoppingCart::onFileEvent, this);
    Bind(FILE_ADDED, &ShoppingCart::onFileEvent, this);
    m_order = m_storage.load();
    if (!m_order || m_order->getPartCount() == 0)
        m_order = std::make_unique<Order>();
    m_order->setPricelist(m_pricelist);
    ScaledCopies::removeUnused(*m_order, m_copiesFolder);
    reprice();
}

void ShoppingCart::releaseCopies(const Order& leaving)
{
    std::vector<const OrderPart*> parts;
    for (size_t i = 0; i < leaving.getPartCount(); ++i)
        parts.push_back(&leaving.getPart(i));
    ScaledCopies::release(parts, *m_order, m_copiesFolder);
}

ShoppingCart::~ShoppingCart()
{
    m_saveTimer.Stop();
    if (m_fileManager && FileManager::exists() && &FileManager::get() == m_fileManager)
        m_fileManager->removeListener(this);
    saveNow();
    m_writer.waitUntilWritten();
}

void ShoppingCart::reprice()
{
    try {
        m_order->calculate(true);
    } catch (const ProductException& e) {
        // The order stays Failed; the cart shows the part as missing.
        QDEBUG("[SHOPPINGCART] %s", e.getMessage());
    }
}

void ShoppingCart::changed()
{
    reprice();
    send(ShoppingCartEvent(SHOPPING_CART_CHANGED));
    m_savePending = true;
    if (!m_saveTimer.IsRunning())
        m_saveTimer.StartOnce(m_saveDelayMs);
}

void ShoppingCart::setOrder(std::unique_ptr<Order> order,
                            std::shared_ptr<const Pricelist> pricelist)
{
    if (!order)
        throw Quorvel::NullPointerException("Order is null");
    std::swap(m_order, order);
    releaseCopies(*order);
    m_pricelist = std::move(pricelist);
    m_order->setPricelist(m_pricelist);
    changed();
}

void ShoppingCart::setPricelist(std::shared_ptr<const Pricelist> pricelist)
{
    m_pricelist = std::move(pricelist);
    m_order->setPricelist(m_pricelist);
    changed();
}

size_t ShoppingCart::getPartCount() const
{
    return m_order->getPartCount();
}

OrderPart& ShoppingCart::getPart(size_t index)
{
    return m_order->getPart(index);
}

void ShoppingCart::addPart(std::unique_ptr<OrderPart> part)
{
    m_order->addPart(std::move(part));
    changed();
}

void ShoppingCart::addParts(std::vector<std::unique_ptr<OrderPart>> parts)
{
    if (std::any_of(parts.begin(), parts.end(), [](const auto& part) { return !part; }))
        throw Quorvel::NullPointerException("Order part is null");
    for (auto& part : parts)
        m_order->addPart(std::move(part));
    changed();
}

std::vector<std::unique_ptr<OrderPart>>
ShoppingCart::removeParts(const std::set<const OrderPart*>& parts)
{
    std::vector<std::unique_ptr<OrderPart>> removed;
    for (const OrderPart* part : parts) {
        if (auto owned = m_order->removePart(part))
            removed.push_back(std::move(owned));
    }
    changed();
    return removed;
}

void ShoppingCart::deleteParts(const std::set<const OrderPart*>& parts)
{
    std::vector<std::unique_ptr<OrderPart>> removed = removeParts(parts);
    std::vector<const OrderPart*> leaving;
    for (auto& part : removed) {
        QDEBUG("[SHOPPINGCART] Deleting order part [%p]", static_cast<const void*>(part.get()));
        leaving.push_back(part.get());
    }
    ScaledCopies::release(leaving, *m_order, m_copiesFolder);
}

void ShoppingCart::partChanged()
{
    changed();
}

void ShoppingCart::orderChanged()
{
    changed();
}

void ShoppingCart::empty()
{
    std::unique_ptr<Order> previous = std::exchange(m_order, std::make_unique<Order>(m_pricelist));
    releaseCopies(*previous);
    changed();
    m_storage.emptyOrderDir();
}

void ShoppingCart::addExternalItem(const wxString& itemId)
{
    addPart(ExternalOrderItem::read(m_storage.getOrderDir(), itemId));
}

void ShoppingCart::followFiles(FileManager& manager)
{
    m_fileManager = &manager;
    manager.addListener(this, wxID_ANY);
}

void ShoppingCart::onFileEvent(FileEvent& event)
{
    if (event.isMoved()) {
        bool renamed = false;
        for (size_t i = 0; i < m_order->getPartCount(); ++i)
            renamed |= m_order->getPart(i).renameFile(event.getOldUri(), event.getNewUri());
        if (renamed)
            changed();
        return;
    }
    if (event.GetEventType() != FILE_REMOVED || !event.getFile())
        return;
    const wxString uri = event.getFile()->getURI();
    std::set<const OrderPart*> gone;
    for (size_t i = 0; i < m_order->getPartCount(); ++i) {
        if (m_order->getPart(i).usesFile(uri))
            gone.insert(&m_order->getPart(i));
    }
    if (!gone.empty())
        deleteParts(gone);
}

void ShoppingCart::onSaveTimer(wxTimerEvent&)
{
    saveNow();
}

void ShoppingCart::saveNow()
{
    if (!m_savePending)
        return;
    m_saveTimer.Stop();
    m_writer.write(m_order->clone());
    m_savePending = false;
    if (m_savedHook)
        m_savedHook();
}

} // namespace Brenmarle
