#pragma once
// One line of an order as the user fills it (element `orderpart`): a product in some quantity,
// with chosen sub-products and the pictures it is made of. Parts name their product by uuid
// only, so a replaced price list leaves nothing dangling; a product that vanished shows as
// missing and fails the next pricing.
//
// Threads: owned by an Order; used on the thread that uses the order (the GUI thread for the
// cart's).

#include <memory>
#include <vector>

#include <wx/string.h>

#include "ordering/OrderPartFile.h"
#include "util/XMLSerializable.h"

namespace Brenmarle {

class Pricelist;

class OrderPart : public Quorvel::XMLSerializable {
public:
    // Product types of items made by other programs that the cart takes (photo books, cards).
    static constexpr int EXTERNAL_BOOK = 51;
    static constexpr int EXTERNAL_CARD = 52;

    explicit OrderPart(int productType = 0) : productType(productType) {}

    wxString productUuid;
    wxString externItemId;
    int productType;
    int quantity = 1;
    int adaption = 0;
    std::vector<wxString> subProductUuids;
    std::vector<OrderPartFile> files;
    wxString data;
    // Only included parts are priced; not stored.
    bool included = true;

    std::unique_ptr<OrderPart> clone() const { return std::make_unique<OrderPart>(*this); }

    // Throws Quorvel::NotFoundException "File list is empty" for a part without pictures.
    const wxString& getFirstFileUri() const;
    void addFile(const wxString& uri, const wxString& fileData, int64_t fileModifyTime,
                 int64_t metaModifyTime, const wxString& clientRef);
    // Makes `uri` the part's only picture; its id is the text after the URI's last "/".
    void setSingleFile(const wxString& uri);
    bool usesFile(const wxString& uri) const;
    // Gives every picture at `oldUri` the URI `newUri`; whether any did.
    bool renameFile(const wxString& oldUri, const wxString& newUri);

    // The product's name in the user's locale, or "uuid:" and the product uuid when the price
    // list has no such product.
    wxString getName(const Pricelist& pricelist) const;
    // Whether the product exists and has every chosen sub-product.
    bool areSubProductsValid(const Pricelist& pricelist) const;

    void readXML(const Quorvel::XMLNode& element) override;
    void writeXML(const Quorvel::XMLNode& element) const override;
};

} // namespace Brenmarle
