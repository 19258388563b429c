#include "ordering/DeliveryProducer.h"

namespace Brenmarle {

void DeliveryProducer::readXML(const Quorvel::XMLNode& element)
{
    int64_t number = 0;
    nr = Quorvel::XMLNode::toLong(element.getAttribute("nr").utf8_string(), number) &&
                 number >= 0 && number <= INT32_MAX
             ? static_cast<int>(number)
             : 0;
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("disable"))
            disabled = true;
        else if (node.is("deliverytime"))
            deliveryTime = node.getInt();
        else if (node.is("deliverytimeunit"))
            deliveryTimeUnit = node.getChar();
        else if (node.is("envelopes"))
            envelopes.readXML(node);
    }
}

void DeliveryProducer::writeXML(const Quorvel::XMLNode& element) const
{
    element.setAttribute("nr", wxString::Format("%d", nr));
    if (disabled)
        element.addChild("disable");
    envelopes.appendTo(element, "envelopes");
    element.addLong("deliverytime", deliveryTime);
    element.addChar("deliverytimeunit", deliveryTimeUnit);
}

} // namespace Brenmarle
