#include "ordering/PrintParts.h"

#include <set>

#include "ordering/OrderPart.h"
#include "ordering/Pricelist.h"
#include "ordering/Product.h"

namespace Brenmarle {

const Product* PrintParts::chooseProduct(const Pricelist* pricelist)
{
    if (!pricelist)
        return nullptr;
    if (const Product* product = pricelist->findProduct(pricelist->defaultProduct))
        return product;
    const auto& products = pricelist->getProducts();
    return products.empty() ? nullptr : &products.front();
}

namespace {

// The first default of each group; sub-products without a group (0) stand alone, so each
// default among them is taken.
std::vector<wxString> defaultSubProducts(const Product& product)
{
    std::vector<wxString> uuids;
    std::set<int> groupsTaken;
    for (const SubProduct& sub : product.subProducts) {
        if (!sub.isDefault)
            continue;
        if (sub.groupId != 0 && !groupsTaken.insert(sub.groupId).second)
            continue;
        uuids.push_back(sub.uuid);
    }
    return uuids;
}

} // namespace

std::vector<std::unique_ptr<OrderPart>> PrintParts::make(const std::vector<Picture>& pictures,
                                                         const Pricelist* pricelist)
{
    const Product* product = chooseProduct(pricelist);
    const std::vector<wxString> subProducts =
        product ? defaultSubProducts(*product) : std::vector<wxString>();
    std::vector<std::unique_ptr<OrderPart>> parts;
    parts.reserve(pictures.size());
    for (const Picture& picture : pictures) {
        auto part = std::make_unique<OrderPart>(product ? product->productType : 0);
        if (product)
            part->productUuid = product->uuid;
        part->subProductUuids = subProducts;
        part->setSingleFile(picture.uri);
        part->files.front().fileModifyTime = picture.fileModifyTime;
        part->files.front().metaModifyTime = picture.metaModifyTime;
        parts.push_back(std::move(part));
    }
    return parts;
}

} // namespace Brenmarle
