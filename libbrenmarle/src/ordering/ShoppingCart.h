#pragma once
// The shopping cart: holds the one open order, prices it against the current price list after
// every change, tells its listeners (one ShoppingCartEvent per change), follows the pictures
// its parts use (a renamed or moved picture keeps its part, a deleted one removes every part
// that uses it), and keeps the order on disk (CartStorage). Scaled copies of pictures
// (ScaledCopies) go when the last part naming them leaves the cart, and those no part names
// when the cart starts.
//
// The cart exists from the first time ordering starts in a run; making it reads the saved
// order, so a run that never orders leaves order.xml alone. After each change the order is
// saved within `saveDelayMs` (a kill loses at most that much), and at destruction; the
// writing itself runs on the cart's writer thread (CartWriter).
//
// Ownership: owns the order; shares the price list with the application.
// Threads: GUI thread only.

#include <functional>
#include <memory>
#include <set>
#include <vector>

#include <wx/event.h>
#include <wx/timer.h>

#include "ordering/CartStorage.h"
#include "ordering/CartWriter.h"
#include "threads/EventBroadcaster.h"

namespace Brenmarle {

class FileEvent;
class FileManager;
class Order;
class OrderPart;
class Pricelist;

class ShoppingCart : public wxEvtHandler, public Quorvel::EventBroadcaster {
public:
    static constexpr int SAVE_DELAY_MS = 2000;

    // Reads the saved order from `userDataDir` (ending in "/"): an order with parts becomes
    // the cart's, otherwise the cart starts with a new empty order.
    ShoppingCart(const wxString& userDataDir, std::shared_ptr<const Pricelist> pricelist,
                 int saveDelayMs = SAVE_DELAY_MS);
    // Saves a pending change and stops following files. Never throws.
    ~ShoppingCart() override;
    ShoppingCart(const ShoppingCart&) = delete;
    ShoppingCart& operator=(const ShoppingCart&) = delete;

    // Replaces the order (the previous one is deleted). `order` must not be null.
    void setOrder(std::unique_ptr<Order> order, std::shared_ptr<const Pricelist> pricelist);
    void setPricelist(std::shared_ptr<const Pricelist> pricelist);
    const Order& getOrder() const { return *m_order; }
    const std::shared_ptr<const Pricelist>& getPricelist() const { return m_pricelist; }

    size_t getPartCount() const;
    // Throws Quorvel::LogicException for an index out of range.
    OrderPart& getPart(size_t index);
    // Throws Quorvel::NullPointerException for a null part.
    void addPart(std::unique_ptr<OrderPart> part);
    // Many parts, one change (an album of pictures).
    void addParts(std::vector<std::unique_ptr<OrderPart>> parts);
    // Takes the parts out and hands them over.
    std::vector<std::unique_ptr<OrderPart>> removeParts(const std::set<const OrderPart*>& parts);
    // Takes the parts out and deletes them.
    void deleteParts(const std::set<const OrderPart*>& parts);
    // A part's or the order's fields were edited through getPart() or the order's owner.
    void partChanged();
    void orderChanged();
    // Order fields (delivery, customer) edited through this.
    Order& editOrder() { return *m_order; }

    // A new empty order, and the folder of items from other programs emptied. Throws
    // Quorvel::IOException when the folder cannot be made again.
    void empty();
    // Adds an item another program prepared (see ExternalOrderItem); throws its exceptions.
    void addExternalItem(const wxString& itemId);

    // Follows the pictures through the file manager's events until destroyed.
    void followFiles(FileManager& manager);

    // Hands a copy of the order to the writer now when a change is not yet saved (a failure
    // to write is logged).
    void saveNow();
    bool isSavePending() const { return m_savePending; }
    // Returns once every copy handed to the writer is on disk (exit, tests).
    void waitUntilSaved() { m_writer.waitUntilWritten(); }
    // Called after each hand-over to the writer (for a status display, and tests).
    void setSavedHook(std::function<void()> hook) { m_savedHook = std::move(hook); }

    const CartStorage& getStorage() const { return m_storage; }

private:
    void changed();
    void reprice();
    void onFileEvent(FileEvent& event);
    void onSaveTimer(wxTimerEvent& event);
    void releaseCopies(const Order& leaving);

    CartStorage m_storage;
    wxString m_copiesFolder;
    CartWriter m_writer{m_storage};
    std::unique_ptr<Order> m_order;
    std::shared_ptr<const Pricelist> m_pricelist;
    FileManager* m_fileManager = nullptr;
    wxTimer m_saveTimer;
    int m_saveDelayMs;
    bool m_savePending = false;
    std::function<void()> m_savedHook;
};

} // namespace Brenmarle
