#pragma once
// One price row of a product (element `productprice`): the unit price from an ordered quantity
// on. A price of -1 or less marks a row without a price; the unit-price search considers only
// rows of type 0.

#include "ordering/Money.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class ProductPrice : public Quorvel::XMLSerializable {
public:
    static Money noPrice() { return Money::fromWhole(-1); }

    int quantity = 0;
    Money price;
    int type = 0;

    bool hasPrice() const { return price > noPrice(); }

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;
};

} // namespace Brenmarle
