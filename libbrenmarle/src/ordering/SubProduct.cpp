#include "ordering/SubProduct.h"

namespace Brenmarle {

void SubProduct::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("uuid"))
            uuid = node.getText();
        else if (node.is("name"))
            name.readXML(node);
        else if (node.is("description"))
            description.readXML(node);
        else if (node.is("data"))
            data = node.getText();
        else if (node.is("classid"))
            classId = node.getText();
        else if (node.is("printareasize"))
            printAreaSize.readXML(node);
        else if (node.is("extraprice"))
            extraPrice = Money::read(node);
        else if (node.is("extramass"))
            extraMass = node.getDouble();
        else if (node.is("groupid"))
            groupId = node.getInt();
        else if (node.is("isdefault"))
            isDefault = node.getBool();
        else if (node.is("isrequired"))
            isRequired = node.getBool();
        else if (node.is("freeunits"))
            freeUnits = node.getInt();
    }
}

void SubProduct::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("uuid", uuid);
    name.appendTo(element, "name");
    description.appendTo(element, "description");
    element.addText("data", data);
    element.addText("classid", classId);
    printAreaSize.appendTo(element, "printareasize");
    extraPrice.write(element, "extraprice");
    element.addDouble("extramass", extraMass);
    element.addLong("groupid", groupId);
    element.addBool("isdefault", isDefault);
    element.addBool("isrequired", isRequired);
    element.addLong("freeunits", freeUnits);
}

} // namespace Brenmarle
