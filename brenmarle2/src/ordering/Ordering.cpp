#include "ordering/Ordering.h"

#include <wx/intl.h>
#include <wx/log.h>

#include "core/Exceptions.h"
#include "filemanager/FileManager.h"
#include "ordering/OrderPart.h"
#include "ordering/PricelistCache.h"
#include "ordering/ShoppingCart.h"
#include "system/Log.h"

Ordering::Ordering(const wxString& userDataDir, Quorvel::ConfigFile& userConfig,
                   const wxString& portalId, Brenmarle::FileManager* files)
    : m_userDataDir(userDataDir), m_userConfig(userConfig), m_portalId(portalId), m_files(files)
{
}

Ordering::~Ordering() = default;

Brenmarle::PricelistCache& Ordering::getPricelists()
{
    if (!m_pricelists) {
        m_pricelists = std::make_unique<Brenmarle::PricelistCache>(m_userDataDir, m_userConfig);
        m_pricelists->load(m_portalId);
    }
    return *m_pricelists;
}

Brenmarle::ShoppingCart& Ordering::getCart()
{
    if (!m_cart) {
        Brenmarle::PricelistCache& pricelists = getPricelists();
        QDEBUG("[BRENMARLEAPP] Starting ordering");
        m_cart = std::make_unique<Brenmarle::ShoppingCart>(m_userDataDir, pricelists.get());
        if (m_files)
            m_cart->followFiles(*m_files);
        Brenmarle::ShoppingCart* cart = m_cart.get();
        pricelists.setListener(
            [cart](const std::shared_ptr<const Brenmarle::Pricelist>& pricelist) {
                cart->setPricelist(pricelist);
            });
    }
    return *m_cart;
}

void Ordering::setPortal(const wxString& portalId)
{
    if (portalId == m_portalId)
        return;
    m_portalId = portalId;
    if (!m_pricelists)
        return;
    m_pricelists->load(portalId);
    if (m_cart)
        m_cart->setPricelist(m_pricelists->get());
}

Ordering::Readiness Ordering::getReadiness(bool hasAccount, std::time_t now)
{
    if (!hasAccount)
        return Readiness::NEEDS_ACCOUNT;
    return getPricelists().isValid(now) ? Readiness::READY : Readiness::NEEDS_PRICELIST;
}

void Ordering::checkPricelist(std::time_t now)
{
    if (!getPricelists().isValid(now)) {
        QDEBUG("[BRENMARLEAPP] We have no valid price list");
        throw PriceListException(_("We have no valid price list"));
    }
    QDEBUG("[BRENMARLEAPP] We have a valid price list");
}

void Ordering::orderPrints(const std::vector<Brenmarle::PrintParts::Picture>& pictures)
{
    if (pictures.empty())
        return;
    Brenmarle::ShoppingCart& cart = getCart();
    cart.addParts(Brenmarle::PrintParts::make(pictures, cart.getPricelist().get()));
}

bool Ordering::addExternalItem(const wxString& itemId)
{
    try {
        getCart().addExternalItem(itemId);
        return true;
    } catch (const Quorvel::Exception& e) {
        wxLogError("%s", e.getMessage());
        return false;
    }
}
