#pragma once
// News that the shopping cart changed (parts, order or price list); it carries nothing, the
// listeners read the cart again. Sent by the cart on the GUI thread and handled at once.
//
//     Bind(Brenmarle::SHOPPING_CART_CHANGED, &ShoppingCartPanel::onCartChanged, this);

#include <wx/event.h>

#include "threads/RevocableEvent.h"

namespace Brenmarle {

class ShoppingCartEvent : public Quorvel::RevocableEvent {
public:
    explicit ShoppingCartEvent(wxEventType type = wxEVT_NULL) : RevocableEvent(type) {}
    wxEvent* Clone() const override { return new ShoppingCartEvent(*this); }
};

wxDECLARE_EVENT(SHOPPING_CART_CHANGED, ShoppingCartEvent);

} // namespace Brenmarle
