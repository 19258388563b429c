#include "ordering/UserInfo.h"

namespace Brenmarle {

void UserInfo::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("firstname"))
            firstName = node.getText();
        else if (node.is("lastname"))
            lastName = node.getText();
        else if (node.is("customerno"))
            customerNo = node.getText();
        else if (node.is("address"))
            address.readXML(node);
        else if (node.is("contactinfo"))
            contactInfo.readXML(node);
    }
}

void UserInfo::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("firstname", firstName);
    element.addText("lastname", lastName);
    element.addText("customerno", customerNo);
    address.appendTo(element, "address");
    contactInfo.appendTo(element, "contactinfo");
}

bool UserInfo::operator==(const UserInfo& other) const
{
    return firstName == other.firstName && lastName == other.lastName &&
           customerNo == other.customerNo && address == other.address &&
           contactInfo == other.contactInfo;
}

} // namespace Brenmarle
