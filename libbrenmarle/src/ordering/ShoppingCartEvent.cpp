#include "ordering/ShoppingCartEvent.h"

namespace Brenmarle {

wxDEFINE_EVENT(SHOPPING_CART_CHANGED, ShoppingCartEvent);

} // namespace Brenmarle
