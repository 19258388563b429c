#pragma once
// Price lists and orders for the ordering tests, built in code.

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "ordering/Money.h"
#include "ordering/Order.h"
#include "ordering/Pricelist.h"

inline Brenmarle::Money money(const std::string& text)
{
    return Brenmarle::Money::parse(text).value();
}

struct PriceRow {
    int quantity;
    const char* price;
    int type = 0;
};

inline Brenmarle::Product makeProduct(const wxString& uuid, const std::vector<PriceRow>& rows,
                                      int producerNr = 0, double mass = 0)
{
    Brenmarle::Product product;
    product.uuid = uuid;
    product.name.setDefault("Product " + uuid);
    product.producerNr = producerNr;
    product.mass = mass;
    std::vector<Brenmarle::ProductPrice> prices;
    for (const PriceRow& row : rows) {
        Brenmarle::ProductPrice price;
        price.quantity = row.quantity;
        price.price = money(row.price);
        price.type = row.type;
        prices.push_back(price);
    }
    product.setPrices(prices);
    return product;
}

inline std::unique_ptr<Brenmarle::OrderPart> makePart(const wxString& productUuid, int quantity,
                                                      const wxString& uri = wxString())
{
    auto part = std::make_unique<Brenmarle::OrderPart>();
    part->productUuid = productUuid;
    part->quantity = quantity;
    if (!uri.empty())
        part->setSingleFile(uri);
    return part;
}
