#include "ordering/CartSummary.h"

#include <wx/translation.h>

#include "ordering/Order.h"
#include "ordering/Pricelist.h"
#include "ordering/ShoppingCart.h"

namespace Brenmarle {

const wxString CartSummary::UNKNOWN = "???";

CartSummary::CartSummary(const ShoppingCart& cart)
{
    const Order& order = cart.getOrder();
    const Pricelist* pricelist = cart.getPricelist().get();
    const bool priced = pricelist && order.getPricingState() == Order::PricingState::Priced;
    for (size_t i = 0; i < order.getPartCount(); ++i) {
        const OrderPart& part = order.getPart(i);
        Row row;
        row.part = &part;
        row.missing = !pricelist || !pricelist->findProduct(part.productUuid);
        row.name = row.missing ? _("Missing product") : part.getName(*pricelist);
        row.copies =
            wxString::Format(wxPLURAL("%d copy", "%d copies", part.quantity), part.quantity);
        row.price = UNKNOWN;
        if (priced) {
            Money amount;
            for (const OrderLineInfo& line : order.getLines()) {
                if (line.part == &part)
                    amount += line.amount;
            }
            row.price = pricelist->formatAmount(amount);
        }
        m_rows.push_back(row);
    }
    const std::optional<Money> total = order.getPricedTotal();
    m_total = pricelist && total ? pricelist->formatAmount(*total) : UNKNOWN;
    m_canCheckout = pricelist && order.canCheckout();
}

} // namespace Brenmarle
