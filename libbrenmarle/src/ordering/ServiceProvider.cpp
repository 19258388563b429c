#include "ordering/ServiceProvider.h"

namespace Brenmarle {

void ServiceProvider::readXML(const Quorvel::XMLNode& element)
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
        else if (node.is("defaultpricelist"))
            defaultPricelist = node.getText();
        else if (node.is("defaultpickuplocation"))
            defaultPickupLocation = node.getText();
        else if (node.is("pickuplocations"))
            readList(node, "pickuplocation", pickupLocations);
        else if (node.is("pricelists"))
            readList(node, "pricelist", pricelists);
    }
}

void ServiceProvider::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("uuid", uuid);
    element.addText("name", name);
    address.appendTo(element, "address");
    contactInfo.appendTo(element, "contactinfo");
    element.addText("defaultpricelist", defaultPricelist);
    element.addText("defaultpickuplocation", defaultPickupLocation);
    writeList(element, "pickuplocations", "pickuplocation", pickupLocations);
    writeList(element, "pricelists", "pricelist", pricelists);
}

} // namespace Brenmarle
