#include "PricelistCheck.h"

#include <memory>
#include <set>

#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "ordering/Pricelist.h"
#include "system/Exceptions.h"

namespace Provider {

void PricelistCheck::check(const std::string& name, const std::string& xml)
{
    const std::string where = "price list " + name + ": ";
    std::shared_ptr<const Brenmarle::Pricelist> pricelist;
    try {
        pricelist = Brenmarle::Pricelist::fromXML(xml);
    } catch (const Quorvel::Exception& e) {
        throw ConfigError(where + e.getMessage().utf8_string());
    }
    if (!Brenmarle::Pricelist::isUsableCurrencyFormat(pricelist->currencyFormatString))
        throw ConfigError(where + "the currency format needs exactly one %f conversion: " +
                          pricelist->currencyFormatString.utf8_string());
    if (!pricelist->defaultProduct.empty() && !pricelist->findProduct(pricelist->defaultProduct))
        throw ConfigError(where + "the default product is not in the list: " +
                          pricelist->defaultProduct.utf8_string());
    for (const Brenmarle::Product& product : pricelist->getProducts()) {
        Brenmarle::Order order(pricelist);
        auto part = std::make_unique<Brenmarle::OrderPart>(product.productType);
        part->productUuid = product.uuid;
        order.addPart(std::move(part));
        bool priced = false;
        try {
            priced = order.calculate(false);
        } catch (const Quorvel::Exception&) {
            priced = false;
        }
        if (!priced)
            throw ConfigError(where + "one copy of product " + product.uuid.utf8_string() +
                              " cannot be priced");
    }
}

void PricelistCheck::checkAll(const ProviderConfig& config)
{
    std::set<std::string> files;
    for (const auto& [id, portal] : config.portals)
        if (!portal.priceListFile.empty())
            files.insert(portal.priceListFile);
    for (const auto& [name, list] : config.priceLists)
        files.insert(list.file);
    for (const std::string& file : files)
        check(file, config.readFile(file));
}

} // namespace Provider
