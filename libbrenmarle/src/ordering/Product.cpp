#include "ordering/Product.h"

#include <algorithm>

namespace Brenmarle {

const SubProduct* Product::findSubProduct(const wxString& subProductUuid) const
{
    for (const SubProduct& subProduct : subProducts) {
        if (subProduct.uuid == subProductUuid)
            return &subProduct;
    }
    return nullptr;
}

void Product::setPrices(std::vector<ProductPrice> prices)
{
    m_prices = std::move(prices);
    std::stable_sort(
        m_prices.begin(), m_prices.end(),
        [](const ProductPrice& a, const ProductPrice& b) { return a.quantity < b.quantity; });
}

void Product::readXML(const Quorvel::XMLNode& element)
{
    std::vector<ProductPrice> prices;
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("uuid")) {
            uuid = node.getText();
        } else if (node.is("producernr")) {
            producerNr = node.getInt();
        } else if (node.is("data")) {
            data = node.getText();
        } else if (node.is("name")) {
            name.readXML(node);
        } else if (node.is("description")) {
            description.readXML(node);
        } else if (node.is("mass")) {
            mass = node.getDouble();
        } else if (node.is("printareasize")) {
            printAreaSize.readXML(node);
        } else if (node.is("producttype")) {
            productType = node.getInt();
        } else if (node.is("freeunits")) {
            freeUnits = node.getInt();
        } else if (node.is("subproducts")) {
            readList(node, "subproduct", subProducts);
        } else if (node.is("productprices")) {
            readList(node, "productprice", prices);
        } else if (node.is("deliveryoptionprices")) {
            for (Quorvel::XMLNode option = node.firstChild(); option; option = option.next()) {
                const Money price = Money::read(option.child("price"));
                if (option.is("deliveryoption") && price > ProductPrice::noPrice())
                    deliveryOptionPrices[option.child("uuid").getText()] = price;
            }
        }
    }
    setPrices(std::move(prices));
}

void Product::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("uuid", uuid);
    element.addLong("producernr", producerNr);
    name.appendTo(element, "name");
    description.appendTo(element, "description");
    element.addText("data", data);
    element.addDouble("mass", mass);
    printAreaSize.appendTo(element, "printareasize");
    element.addLong("freeunits", freeUnits);
    element.addLong("producttype", productType);
    const Quorvel::XMLNode options = element.addChild("deliveryoptionprices");
    for (const auto& [optionUuid, price] : deliveryOptionPrices) {
        const Quorvel::XMLNode option = options.addChild("deliveryoption");
        option.addText("uuid", optionUuid);
        price.write(option, "price");
    }
    writeList(element, "productprices", "productprice", m_prices);
    writeList(element, "subproducts", "subproduct", subProducts);
}

} // namespace Brenmarle
