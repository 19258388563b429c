#include "ordering/DeliveryOption.h"

namespace Brenmarle {

const DeliveryProducer* DeliveryOption::findProducer(int nr) const
{
    for (const DeliveryProducer& producer : producers) {
        if (producer.nr == nr)
            return &producer;
    }
    return nullptr;
}

void DeliveryOption::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("uuid"))
            uuid = node.getText();
        else if (node.is("description"))
            description.readXML(node);
        else if (node.is("price"))
            price = Money::read(node);
        else if (node.is("type"))
            type = node.getInt();
        else if (node.is("deliverytime"))
            deliveryTime = node.getInt();
        else if (node.is("deliverytimeunit"))
            deliveryTimeUnit = node.getChar();
        else if (node.is("pickuplocation"))
            pickupLocation = node.getText();
        else if (node.is("pickupname"))
            pickupName = node.getText();
        else if (node.is("pickupaddress1"))
            pickupAddress1 = node.getText();
        else if (node.is("pickupaddress2"))
            pickupAddress2 = node.getText();
        else if (node.is("pickuppostalcode"))
            pickupPostalCode = node.getText();
        else if (node.is("pickupcity"))
            pickupCity = node.getText();
        else if (node.is("pickupregion"))
            pickupRegion = node.getText();
        else if (node.is("envelopes"))
            envelopes.readXML(node);
        else if (node.is("producers"))
            readList(node, "producer", producers);
    }
}

void DeliveryOption::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("uuid", uuid);
    description.appendTo(element, "description");
    price.write(element, "price");
    element.addLong("type", type);
    element.addLong("deliverytime", deliveryTime);
    element.addChar("deliverytimeunit", deliveryTimeUnit);
    element.addText("pickuplocation", pickupLocation);
    // The inline pickup address is written too, so a price list read and written back keeps it.
    element.addText("pickupname", pickupName);
    element.addText("pickupaddress1", pickupAddress1);
    element.addText("pickupaddress2", pickupAddress2);
    element.addText("pickuppostalcode", pickupPostalCode);
    element.addText("pickupcity", pickupCity);
    element.addText("pickupregion", pickupRegion);
    envelopes.appendTo(element, "envelopes");
    writeList(element, "producers", "producer", producers);
}

} // namespace Brenmarle
