#pragma once
// The shopping cart sidebar: one line per item (its product, or "Missing product", its copies
// and its price) and the order sum under "Ordersum:". What it shows is worked out by
// Brenmarle::CartSummary, which reads "???" for any sum that is not a real one. It follows the
// cart through the cart's events. The user removes the selected items or all of them (after
// asking), pictures dropped on it become prints, and "Order Checkout" hands the order on to
// the checkout handler; it is enabled only for a priced order with items (never for "???").
//
// The cart must outlive the panel. GUI thread only.

#include <functional>
#include <vector>

#include <wx/panel.h>

namespace Brenmarle {
class ShoppingCart;
class ShoppingCartEvent;
} // namespace Brenmarle
class wxButton;
class wxListCtrl;
class wxListEvent;
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
    wxButton* getRemoveButton() const { return m_remove; }
    wxButton* getRemoveAllButton() const { return m_removeAll; }
    wxButton* getCheckoutButton() const { return m_checkout; }

    // What "Order Checkout" does (the application's checkout, the ordering assistant); given
    // the panel as the parent of what it opens. Without one the button stays disabled.
    using CheckoutHandler = std::function<void(wxWindow* parent)>;
    void setCheckoutHandler(CheckoutHandler handler);
    // What pressing "Order Checkout" does: calls the handler when the button is enabled;
    // returns whether it did.
    bool checkout();

    // The buttons' work; `ask` first asks the user ("Remove selected item?" and its plural,
    // "Remove all items?"). Each returns whether the cart changed.
    bool removeSelected(bool ask);
    bool removeAll(bool ask);
    // Pictures dropped on the cart: one print part each, one change.
    bool addPictures(const std::vector<wxString>& uris, const std::vector<wxString>& paths);

private:
    void onCartChanged(Brenmarle::ShoppingCartEvent& event);
    void updateButtons();

    Brenmarle::ShoppingCart& m_cart;
    wxListCtrl* m_list = nullptr;
    wxStaticText* m_total = nullptr;
    wxButton* m_remove = nullptr;
    wxButton* m_removeAll = nullptr;
    wxButton* m_checkout = nullptr;
    CheckoutHandler m_checkoutHandler;
    bool m_canCheckout = false;
};
