#pragma once
// The files of an order on CD, as order parts of the CD product: the pictures of every part
// that is not itself a CD, each once, filled into CDs of 650 MB in order, a new CD part when
// the next file would overflow the current one. On one CD every file has its own name: a
// second "IMG_0001.jpg" becomes "IMG_0001 (2).jpg". The name on the CD is the file's `data`.
//
// Pure; any thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include <wx/string.h>

namespace Brenmarle {

class Order;
class OrderPart;
class Pricelist;
class Product;

class CdParts {
public:
    static constexpr int CD_PRODUCT_TYPE = 5;
    static constexpr int64_t CD_CAPACITY = 681574400; // 650 MB

    struct FileFacts {
        int64_t size = 0;
        wxString name;
    };
    // The size and name of the picture at a URI; throws when it cannot be found.
    using FileLookup = std::function<FileFacts(const wxString& uri)>;

    // The price list's CD product (the first of product type 5), or null.
    static const Product* findCdProduct(const Pricelist& pricelist);

    // The CD parts for `order`, each ordered `copies` times. Throws Quorvel::RuntimeException
    // "A file is larger than 650MB" for a file no CD can hold, and what `lookup` throws.
    static std::vector<std::unique_ptr<OrderPart>> build(const Order& order, const Product& cd,
                                                         int copies, const FileLookup& lookup);

    // `name`, or "<stem> (n)<extension>" with the first n from 2 not in `used`; the result is
    // added to `used`.
    static wxString uniqueName(const wxString& name, std::set<wxString>& used);
};

} // namespace Brenmarle
