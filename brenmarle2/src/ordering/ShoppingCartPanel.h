#pragma once
// The shopping cart sidebar: one line per item (its product, or "Missing product", its copies
// and its price) and the order sum under "Ordersum:". A view of the cart and nothing more: what
// it shows is worked out by Brenmarle::CartSummary, which reads "???" for any sum that is not
// a real one. It follows the cart through the cart's events.
//
// The cart must outlive the panel. GUI thread only.

#include <wx/panel.h>

namespace Brenmarle {
class ShoppingCart;
class ShoppingCartEvent;
} // namespace Brenmarle
class wxListCtrl;
class wxStaticText;

class ShoppingCartPanel : public wxPanel {
public:
    ShoppingCartPanel(wxWindow* parent, Brenmarle::ShoppingCart& cart);
    ~ShoppingCartPanel() override;

    // Reads the cart again (also on each of its events).
    void refresh();

    wxListCtrl* getList() const { return m_list; }
    wxString getTotal() const;
    // Row `row`'s texts: product, copies, price.
    wxString getCell(long row, int column) const;

private:
    void onCartChanged(Brenmarle::ShoppingCartEvent& event);

    Brenmarle::ShoppingCart& m_cart;
    wxListCtrl* m_list = nullptr;
    wxStaticText* m_total = nullptr;
};
