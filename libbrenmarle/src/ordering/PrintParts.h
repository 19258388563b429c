#pragma once
// Pictures chosen for prints ("Order Prints...", an album, pictures dropped on the cart) become
// one order part each: the price list's default product (or its first product when the default
// names none it has), one copy, with the product's default sub-product of each group, so a
// fresh part is priced at once. Without a product the part still holds its picture and shows
// as a missing product until the user picks one.
//
// Threads: any.

#include <cstdint>
#include <memory>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class OrderPart;
class Pricelist;
class Product;

class PrintParts {
public:
    struct Picture {
        wxString uri;
        int64_t fileModifyTime = 0;
        int64_t metaModifyTime = 0;
    };

    // `pricelist` may be null.
    static std::vector<std::unique_ptr<OrderPart>> make(const std::vector<Picture>& pictures,
                                                        const Pricelist* pricelist);
    // The product a new print part gets, null when the price list offers none.
    static const Product* chooseProduct(const Pricelist* pricelist);
};

} // namespace Brenmarle
