#include "ordering/OrderPart.h"

#include "ordering/Pricelist.h"
#include "system/Exceptions.h"

namespace Brenmarle {

const wxString& OrderPart::getFirstFileUri() const
{
    if (files.empty())
        throw Quorvel::NotFoundException("File list is empty");
    return files.front().uri;
}

void OrderPart::addFile(const wxString& uri, const wxString& fileData, int64_t fileModifyTime,
                        int64_t metaModifyTime, const wxString& clientRef)
{
    OrderPartFile file;
    file.uri = uri;
    file.data = fileData;
    file.fileModifyTime = fileModifyTime;
    file.metaModifyTime = metaModifyTime;
    file.clientRef = clientRef;
    files.push_back(std::move(file));
}

void OrderPart::setSingleFile(const wxString& uri)
{
    OrderPartFile file;
    file.uri = uri;
    file.id = uri.AfterLast('/');
    files.assign(1, std::move(file));
}

bool OrderPart::usesFile(const wxString& uri) const
{
    for (const OrderPartFile& file : files) {
        if (file.uri == uri)
            return true;
    }
    return false;
}

bool OrderPart::renameFile(const wxString& oldUri, const wxString& newUri)
{
    bool renamed = false;
    for (OrderPartFile& file : files) {
        if (file.uri != oldUri)
            continue;
        file.uri = newUri;
        if (file.id == oldUri.AfterLast('/'))
            file.id = newUri.AfterLast('/');
        renamed = true;
    }
    return renamed;
}

wxString OrderPart::getName(const Pricelist& pricelist) const
{
    const Product* product = pricelist.findProduct(productUuid);
    return product ? product->name.get() : "uuid:" + productUuid;
}

bool OrderPart::areSubProductsValid(const Pricelist& pricelist) const
{
    const Product* product = pricelist.findProduct(productUuid);
    if (!product)
        return false;
    for (const wxString& uuid : subProductUuids) {
        if (!product->findSubProduct(uuid))
            return false;
    }
    return true;
}

void OrderPart::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("productuuid")) {
            productUuid = node.getText();
        } else if (node.is("externitemid")) {
            externItemId = node.getText();
        } else if (node.is("producttype")) {
            productType = node.getInt();
        } else if (node.is("quantity")) {
            quantity = node.getInt();
        } else if (node.is("adaption")) {
            adaption = node.getInt();
        } else if (node.is("subproductuuids")) {
            for (Quorvel::XMLNode uuid = node.firstChild(); uuid; uuid = uuid.next()) {
                if (uuid.is("uuid"))
                    subProductUuids.push_back(uuid.getText());
            }
        } else if (node.is("files")) {
            readList(node, "file", files);
        } else if (node.is("data")) {
            data = node.getText();
        }
    }
}

void OrderPart::writeXML(const Quorvel::XMLNode& element) const
{
    element.addText("productuuid", productUuid);
    element.addText("externitemid", externItemId);
    element.addLong("producttype", productType);
    element.addLong("quantity", quantity);
    element.addLong("adaption", adaption);
    const Quorvel::XMLNode uuids = element.addChild("subproductuuids");
    for (const wxString& uuid : subProductUuids)
        uuids.addText("uuid", uuid);
    writeList(element, "files", "file", files);
    element.addText("data", data);
}

} // namespace Brenmarle
