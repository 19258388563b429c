#include "ordering/ContactInfo.h"

namespace Brenmarle {

void ContactInfo::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("homephone"))
            homePhone = node.getText();
        else if (node.is("businessphone"))
            businessPhone = node.getText();
        else if (node.is("mobilephone"))
            mobilePhone = node.getText();
        else if (node.is("emailaddress"))
            emailAddress = node.getText();
        else if (node.is("businessfax"))
            businessFax = node.getText();
        else if (node.is("webpage"))
            webPage = node.getText();
    }
}

void ContactInfo::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("homephone", homePhone);
    element.addText("businessphone", businessPhone);
    element.addText("mobilephone", mobilePhone);
    element.addText("emailaddress", emailAddress);
    element.addText("businessfax", businessFax);
    element.addText("webpage", webPage);
}

bool ContactInfo::operator==(const ContactInfo& other) const
{
    return homePhone == other.homePhone && businessPhone == other.businessPhone &&
           mobilePhone == other.mobilePhone && emailAddress == other.emailAddress &&
           businessFax == other.businessFax && webPage == other.webPage;
}

} // namespace Brenmarle
