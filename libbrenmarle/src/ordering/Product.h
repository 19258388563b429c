#pragma once
// Something a provider sells (element `product`): prints of a size, a book, a card. Its price
// rows are kept in ascending quantity (rows of equal quantity in the order they came).

#include <map>
#include <vector>

#include <wx/string.h>

#include "ordering/Money.h"
#include "ordering/PrintAreaSize.h"
#include "ordering/ProductPrice.h"
#include "ordering/SubProduct.h"
#include "util/MLString.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class Product : public Quorvel::XMLSerializable {
public:
    wxString uuid;
    int producerNr = 0;
    wxString data;
    Quorvel::MLString name;
    Quorvel::MLString description;
    double mass = 0;
    PrintAreaSize printAreaSize;
    int productType = 0;
    int freeUnits = 0;
    std::vector<SubProduct> subProducts;
    // Extra price per unit by delivery option uuid; only options with a price (above -1).
    std::map<wxString, Money> deliveryOptionPrices;

    // The sub-product with that uuid, null when there is none.
    const SubProduct* findSubProduct(const wxString& subProductUuid) const;

    const std::vector<ProductPrice>& getPrices() const { return m_prices; }
    // Replaces the price rows and sorts them by quantity.
    void setPrices(std::vector<ProductPrice> prices);

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;

private:
    std::vector<ProductPrice> m_prices;
};

} // namespace Brenmarle
