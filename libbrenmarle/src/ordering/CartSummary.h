#pragma once
// What the cart's sidebar shows, worked out from the cart: one row per part (its product's
// name or "Missing product", its copies, its price when the order is priced) and the order sum
// under "Ordersum:", which reads "???" unless the order is priced (no price list, a failed
// pricing, a missing product): a sum that looks right but is not must never show.
//
// Threads: GUI thread (reads the cart).

#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class OrderPart;
class ShoppingCart;

class CartSummary {
public:
    struct Row {
        const OrderPart* part = nullptr;
        wxString name;   // the product's name, or "Missing product"
        wxString copies; // "1 copy", "3 copies"
        wxString price;  // the part's amount with its extras, "???" when not priced
        bool missing = false;
    };

    static const wxString UNKNOWN; // "???"

    explicit CartSummary(const ShoppingCart& cart);

    const std::vector<Row>& getRows() const { return m_rows; }
    const wxString& getTotal() const { return m_total; }
    bool canCheckout() const { return m_canCheckout; }

private:
    std::vector<Row> m_rows;
    wxString m_total;
    bool m_canCheckout = false;
};

} // namespace Brenmarle
