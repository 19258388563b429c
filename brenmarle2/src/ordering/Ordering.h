#pragma once
// The ordering of one run of the program: the current price list and the shopping cart.
//
// Nothing is read until ordering first starts (the cart is shown, pictures are ordered, an item
// from another program arrives): a run that never orders neither reads nor writes order.xml,
// and start-up does not wait for a large price list. The cart follows the pictures through the
// file manager from then on, and is saved when this goes (at exit, before the file manager).
//
// GUI thread only.

#include <ctime>
#include <memory>
#include <vector>

#include <wx/string.h>

#include "ordering/PrintParts.h"

namespace Quorvel {
class ConfigFile;
}
namespace Brenmarle {
class FileManager;
class PricelistCache;
class ShoppingCart;
} // namespace Brenmarle

class Ordering {
public:
    // What stands between the user and ordering.
    enum class Readiness {
        NEEDS_ACCOUNT,   // no account: the user is led to register one first
        NEEDS_PRICELIST, // no price list, or a stale one: the new-order assistant downloads one
        READY,
    };

    // `userDataDir` ends with "/"; `userConfig` must outlive this, and so must `files` (may
    // be null: then the cart does not follow pictures).
    Ordering(const wxString& userDataDir, Quorvel::ConfigFile& userConfig, const wxString& portalId,
             Brenmarle::FileManager* files);
    ~Ordering();
    Ordering(const Ordering&) = delete;
    Ordering& operator=(const Ordering&) = delete;

    bool hasCart() const { return m_cart != nullptr; }
    // The account now belongs to `portalId` (log-in, log-out): once ordering has started, that
    // portal's cached price list (or none) becomes the current one and the cart's.
    void setPortal(const wxString& portalId);
    // Starts ordering on first use: the portal's cached price list and the saved order.
    Brenmarle::ShoppingCart& getCart();
    Brenmarle::PricelistCache& getPricelists();

    // Whether ordering can start at `now` for a user with (or without) an account.
    Readiness getReadiness(bool hasAccount, std::time_t now);
    // Throws PriceListException unless the current price list is valid at `now`
    // (there is one, at most seven days old); logs "[BRENMARLEAPP] We have a valid price
    // list" or "[BRENMARLEAPP] We have no valid price list".
    void checkPricelist(std::time_t now);

    // One print part per picture, one change of the cart.
    void orderPrints(const std::vector<Brenmarle::PrintParts::Picture>& pictures);
    // An item another program prepared (--addtocart). A refused item is reported to the user
    // with the reason; returns whether it was added.
    bool addExternalItem(const wxString& itemId);

private:
    wxString m_userDataDir;
    Quorvel::ConfigFile& m_userConfig;
    wxString m_portalId;
    Brenmarle::FileManager* m_files;
    std::unique_ptr<Brenmarle::PricelistCache> m_pricelists;
    std::unique_ptr<Brenmarle::ShoppingCart> m_cart;
};
