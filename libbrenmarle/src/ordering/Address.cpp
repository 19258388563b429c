#include "ordering/Address.h"

namespace Brenmarle {

void Address::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("name"))
            name = node.getText();
        else if (node.is("addressline1"))
            addressLine1 = node.getText();
        else if (node.is("addressline2"))
            addressLine2 = node.getText();
        else if (node.is("postalcode"))
            postalCode = node.getText();
        else if (node.is("city"))
            city = node.getText();
        else if (node.is("state"))
            state = node.getText();
        else if (node.is("countrycode"))
            countryCode = node.getInt();
    }
}

void Address::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("name", name);
    element.addText("addressline1", addressLine1);
    element.addText("addressline2", addressLine2);
    element.addText("postalcode", postalCode);
    element.addText("city", city);
    element.addText("state", state);
    element.addLong("countrycode", countryCode);
}

bool Address::operator==(const Address& other) const
{
    return name == other.name && addressLine1 == other.addressLine1 &&
           addressLine2 == other.addressLine2 && postalCode == other.postalCode &&
           city == other.city && state == other.state && countryCode == other.countryCode;
}

} // namespace Brenmarle
