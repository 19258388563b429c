#pragma once
// A price charged once per order for each sub-product class any part uses (element
// `subproductclassprice`).

#include <wx/string.h>

#include "ordering/Money.h"
#include "util/MLString.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class SubProductClassPrice : public Quorvel::XMLSerializable {
public:
    wxString classId;
    Quorvel::MLString description;
    Money price;

    void readXML(const Quorvel::XMLNode& element) override
    {
        for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
            if (node.is("classid"))
                classId = node.getText();
            else if (node.is("description"))
                description.readXML(node);
            else if (node.is("price"))
                price = Money::read(node);
        }
    }
    void writeXML(const Quorvel::XMLNode& element) const override
    {
        element.addText("classid", classId);
        description.appendTo(element, "description");
        price.write(element, "price");
    }
};

} // namespace Brenmarle
