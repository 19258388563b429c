#include "ordering/ProductPrice.h"

namespace Brenmarle {

void ProductPrice::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("quantity"))
            quantity = node.getInt();
        else if (node.is("price"))
            price = Money::read(node);
        else if (node.is("type"))
            type = node.getInt();
    }
}

void ProductPrice::writeXML(const Quorvel::XMLNode& element) const
{
    element.addLong("quantity", quantity);
    price.write(element, "price");
    element.addLong("type", type);
}

} // namespace Brenmarle
