#pragma once
// What a service provider sells and at which price (element `pricelist`): products with their
// sub-products and price rows, delivery options with postage, sub-product class prices, and
// the order-wide charges, discounts and VAT that pricing an order (Order::calculate) applies.
//
// Products are found by uuid through an index, so a list of thousands prices an order quickly.
// Once loaded a price list is shared read-only (std::shared_ptr<const Pricelist>) by the
// application, the shopping cart and its order; a new download replaces it as a whole.
// Threads: a const price list may be read from any thread.

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

#include "ordering/DeliveryOption.h"
#include "ordering/Money.h"
#include "ordering/Product.h"
#include "ordering/SubProductClassPrice.h"
#include "util/XMLSerializable.h"

namespace Quorvel {
class XMLStreamReader;
}

namespace Brenmarle {

class Pricelist : public Quorvel::XMLSerializable {
public:
    static const char* const ROOT_ELEMENT; // "pricelist"

    Pricelist();

    wxString uuid;
    wxString currencyFormatString;
    wxString currencyName = "Currency";
    wxString currencyCode = "CUR";
    wxString currencySymbol;
    wxString defaultProduct;
    double vatRate = 0;
    Money baseCharge;
    Money minimumSum;
    Money manualControlPricePerUnit;
    Money manualControlPrice;
    Money discountSum;
    double discountPercentage = 0;
    bool useRealPostage = false;
    wxString standardByMailDelivery;
    wxString standardInStoreDelivery;
    std::vector<DeliveryOption> deliveryOptions;
    std::vector<SubProductClassPrice> subProductClassPrices;

    // Lookups; null when absent. A uuid listed twice finds the first product.
    const Product* findProduct(const wxString& productUuid) const;
    const DeliveryOption* findDeliveryOption(const wxString& optionUuid) const;
    const SubProductClassPrice* findClassPrice(const wxString& classId) const;

    // A deque: products stay where they are while the list grows (wxString has no cheap move,
    // so a vector's reallocations would copy every text of every product).
    const std::deque<Product>& getProducts() const { return m_products; }
    void addProduct(Product product);

    // The amount in the currency format of the server when that holds exactly one
    // floating-point conversion (isUsableCurrencyFormat), else the currency symbol followed by
    // "%0.2f". The amount is rounded half away from zero to the decimals the format shows, so
    // 2.675 shows as 2.68 and not as the 2.67 its nearest double would give.
    wxString formatAmount(Money amount) const;
    // Whether `format` is a printf format that takes exactly one double and nothing else: one
    // conversion of f, F, e, E, g, G, a or A (no length modifier other than "l", no "*", no
    // positional argument, width and precision of at most two digits), "%%" anywhere.
    static bool isUsableCurrencyFormat(const wxString& format);

    // Reads a price list document (UTF-8 text) whose root element is `pricelist`. Throws
    // Quorvel::XMLException "Could not initialize price list from XML document" otherwise.
    static std::shared_ptr<Pricelist> fromXML(const std::string& utf8);
    // As fromXML, from a file; also the file exceptions of Quorvel::InputFile.
    static std::shared_ptr<Pricelist> load(const wxString& path);
    // Writes the document atomically and flushed to the disk.
    void save(const wxString& path) const;
    std::string toXML() const;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;

private:
    static std::shared_ptr<Pricelist> read(Quorvel::XMLStreamReader& reader);
    void readField(const Quorvel::XMLNode& node);

    void readProduct(const Quorvel::XMLNode& element);

    std::deque<Product> m_products;
    std::map<wxString, size_t> m_productIndex;
};

} // namespace Brenmarle
