#include "ordering/CdParts.h"

#include <wx/filename.h>
#include <wx/intl.h>

#include "ordering/Order.h"
#include "ordering/OrderPart.h"
#include "ordering/Pricelist.h"
#include "system/Exceptions.h"

namespace Brenmarle {

const Product* CdParts::findCdProduct(const Pricelist& pricelist)
{
    for (const Product& product : pricelist.getProducts()) {
        if (product.productType == CD_PRODUCT_TYPE)
            return &product;
    }
    return nullptr;
}

std::vector<std::unique_ptr<OrderPart>> CdParts::build(const Order& order, const Product& cd,
                                                       int copies, const FileLookup& lookup)
{
    std::vector<std::unique_ptr<OrderPart>> cds;
    std::set<wxString> placed;
    std::set<wxString> namesOnCd;
    int64_t filled = 0;
    for (size_t i = 0; i < order.getPartCount(); ++i) {
        const OrderPart& part = order.getPart(i);
        if (part.productType == CD_PRODUCT_TYPE)
            continue;
        for (const OrderPartFile& file : part.files) {
            if (!placed.insert(file.uri).second)
                continue;
            const FileFacts facts = lookup(file.uri);
            if (facts.size > CD_CAPACITY)
                throw Quorvel::RuntimeException(_("A file is larger than 650MB"));
            if (cds.empty() || filled + facts.size > CD_CAPACITY) {
                auto part = std::make_unique<OrderPart>(CD_PRODUCT_TYPE);
                part->productUuid = cd.uuid;
                part->quantity = copies;
                cds.push_back(std::move(part));
                namesOnCd.clear();
                filled = 0;
            }
            filled += facts.size;
            cds.back()->addFile(file.uri, uniqueName(facts.name, namesOnCd), file.fileModifyTime,
                                file.metaModifyTime, file.clientRef);
        }
    }
    return cds;
}

wxString CdParts::uniqueName(const wxString& name, std::set<wxString>& used)
{
    wxString unique = name;
    if (used.count(unique)) {
        const wxFileName parts(name);
        const wxString extension = parts.HasExt() ? "." + parts.GetExt() : wxString();
        const wxString stem = name.Left(name.length() - extension.length());
        for (int counter = 2; used.count(unique); ++counter)
            unique = wxString::Format("%s (%d)%s", stem, counter, extension);
    }
    used.insert(unique);
    return unique;
}

} // namespace Brenmarle
