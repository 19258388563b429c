#include "ordering/ExternalOrderItem.h"

#include <sys/stat.h>

#include <wx/filefn.h>

#include "core/Exceptions.h"
#include "ordering/OrderPart.h"
#include "util/XMLDocument.h"

namespace Brenmarle {

bool ExternalOrderItem::isSinglePathComponent(const wxString& name)
{
    return !name.empty() && name != "." && name != ".." && !name.Contains("/") &&
           !name.Contains("\\") && name.Find(wxUniChar(0)) == wxNOT_FOUND &&
           name.utf8_string().size() <= 255;
}

std::unique_ptr<OrderPart> ExternalOrderItem::read(const wxString& orderDir, const wxString& itemId)
{
    if (!isSinglePathComponent(itemId))
        throw ProductException(wxString::Format("Invalid order item id: %s", itemId));
    const wxString itemDir = orderDir + itemId + "/";
    const wxString path = itemDir + "orderpart.xml";
    if (!wxFileExists(path))
        throw ProductException(wxString::Format("Could not find orderpart: %s", path));
    const wxString error = wxString::Format("Could not load orderpart: %s", path);
    wxStructStat info;
    if (wxStat(path, &info) != 0 || info.st_size > static_cast<off_t>(MAX_BYTES))
        throw Quorvel::XMLException(error);
    const Quorvel::XMLDocument document = Quorvel::XMLDocument::load(path, error);
    if (!document.getRoot().is("orderpart"))
        throw Quorvel::XMLException(error);
    auto part = std::make_unique<OrderPart>();
    part->readXML(document.getRoot());
    if (part->productType != OrderPart::EXTERNAL_BOOK &&
        part->productType != OrderPart::EXTERNAL_CARD)
        throw ProductException(wxString::Format(
            "Cannot add external orderpart with product type %d", part->productType));
    for (OrderPartFile& file : part->files) {
        if (!isSinglePathComponent(file.uri))
            throw ProductException(
                wxString::Format("Invalid file name in orderpart: %s", file.uri));
        const wxString picture = itemDir + "files/" + file.uri;
        struct stat pictureInfo {};
        if (::lstat(picture.utf8_str(), &pictureInfo) != 0 || !S_ISREG(pictureInfo.st_mode))
            throw ProductException(wxString::Format("Could not find orderpart file: %s", picture));
        file.uri = "file://" + picture;
    }
    if (part->externItemId.empty())
        part->externItemId = itemId;
    return part;
}

} // namespace Brenmarle
