#include "ordering/PickupLocation.h"

namespace Brenmarle {

void PickupLocation::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("uuid"))
            uuid = node.getText();
        else if (node.is("name"))
            name = node.getText();
        else if (node.is("address"))
            address.readXML(node);
        else if (node.is("contactinfo"))
            contactInfo.readXML(node);
    }
}

void PickupLocation::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("uuid", uuid);
    element.addText("name", name);
    address.appendTo(element, "address");
    contactInfo.appendTo(element, "contactinfo");
}

bool PickupLocation::operator==(const PickupLocation& other) const
{
    return uuid == other.uuid && name == other.name && address == other.address &&
           contactInfo == other.contactInfo;
}

} // namespace Brenmarle
