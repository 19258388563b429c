#include "templates/Template.h"

#include <wx/intl.h>
#include <wx/tokenzr.h>

#include "ordering/Pricelist.h"
#include "ordering/Product.h"
#include "util/XMLNode.h"

namespace Brenmarle {

namespace {

struct CardCategory {
    const char* code;
    const char* label;
};

const CardCategory CARD_CATEGORIES[] = {
    {"CHRISTMASCARDS", wxTRANSLATE("Christmas Cards")},
    {"EASTERCARDS", wxTRANSLATE("Easter Cards")},
    {"THANKYOUCARDS", wxTRANSLATE("Thank You Cards")},
    {"INVITATIONS", wxTRANSLATE("Invitations")},
    {"CHRISTENING", wxTRANSLATE("Christening")},
    {"WEDDINGCARDS", wxTRANSLATE("Wedding Cards")},
    {"CONFIRMATION", wxTRANSLATE("Confirmation Cards")},
    {"VALENTINES", wxTRANSLATE("Valentine Cards")},
    {"CHILDREN", wxTRANSLATE("Children")},
    {"DIPLOMAS", wxTRANSLATE("Diplomas")},
    {"PLACECARDS", wxTRANSLATE("Place Cards")},
    {"NEWADDRESS", wxTRANSLATE("New Address Cards")},
    {"STUDENT", wxTRANSLATE("Student")},
    {"MISC", wxTRANSLATE("Misc. Cards")},
};

bool isNameCharacter(wxUniChar c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '_';
}

wxString sizeText(const Template::Size& size)
{
    return wxString::Format("%g x %g mm", size.width, size.height);
}

} // namespace

void Template::readXML(const Quorvel::XMLNode& element)
{
    for (Quorvel::XMLNode node = element.firstChild(); node; node = node.next()) {
        if (node.is("uuid")) {
            uuid = node.getText();
        } else if (node.is("version")) {
            version = node.getInt();
        } else if (node.is("name")) {
            name.setDefault(node.getOwnText());
            for (Quorvel::XMLNode t = node.firstChild(); t; t = t.next()) {
                if (!t.is("translated"))
                    continue;
                // The list writes locales as "en-US", the program as "en_US".
                wxString lang = t.getAttribute("lang");
                lang.Replace("-", "_");
                name.setTranslation(lang, t.getText());
            }
        } else if (node.is("product")) {
            product = node.getText();
        } else if (node.is("dimensions")) {
            for (Quorvel::XMLNode s = node.firstChild(); s; s = s.next())
                if (s.is("size"))
                    sizes.push_back({s.child("width").getDouble(), s.child("height").getDouble()});
        } else if (node.is("category")) {
            category = node.getText();
        } else if (node.is("extracategories")) {
            for (Quorvel::XMLNode c = node.firstChild(); c; c = c.next())
                if (c.is("category") && !c.getText().empty())
                    extraCategories.push_back(c.getText());
        } else if (node.is("type")) {
            kind = kindOf(node.getText());
        } else if (node.is("partcount")) {
            partCount = node.getInt();
        } else if (node.is("previewimage")) {
            previewImage = node.getText();
        } else if (node.is("packages")) {
            smallPackage = node.child("small").getText();
            fullPackage = node.child("full").getText();
        }
    }
}

int Template::kindOf(const wxString& type)
{
    if (type == "CALENDAR")
        return KIND_CALENDAR;
    if (type == "CARD")
        return KIND_CARD;
    if (type == "SIMPLEBOOK")
        return KIND_BOOKLET;
    return KIND_UNKNOWN;
}

wxString Template::categoryLabel(const wxString& code) const
{
    switch (kind) {
    case KIND_CALENDAR:
        return wxString::Format(_("%d Page Calendars"), partCount);
    case KIND_BOOKLET:
        return _("Photo Booklets");
    case KIND_CARD:
        for (const CardCategory& card : CARD_CATEGORIES)
            if (code == card.code)
                return wxGetTranslation(card.label);
        return wxString::Format(_("Cards (%s)"), code);
    default:
        return _("Unknown Category");
    }
}

const Product* Template::findProduct(const Pricelist& pricelist) const
{
    return product.empty() ? nullptr : pricelist.findProduct(product);
}

wxString Template::priceText(const Pricelist& pricelist) const
{
    const Product* found = findProduct(pricelist);
    if (!found)
        return wxString();
    bool any = false;
    Money lowest;
    for (const ProductPrice& row : found->getPrices()) {
        if (row.hasPrice() && (!any || row.price < lowest)) {
            lowest = row.price;
            any = true;
        }
    }
    return any ? wxString::Format(_("Prices from %s"), pricelist.formatAmount(lowest)) : wxString();
}

wxString Template::sizesText() const
{
    if (sizes.empty())
        return wxString();
    wxString text = _("Available in sizes:");
    for (size_t i = 0; i < sizes.size(); ++i)
        text += (i == 0 ? " " : ", ") + sizeText(sizes[i]);
    return text;
}

wxString Template::folderName() const
{
    return wxString::Format("%s-%d", uuid, version);
}

bool Template::isSafeName(const wxString& name)
{
    if (name.empty() || name.length() > 64 || name[0] == '-' || name[0] == '_')
        return false;
    for (const wxUniChar c : name)
        if (!isNameCharacter(c))
            return false;
    return true;
}

bool Template::isInsideFolder(const wxString& path)
{
    if (path.empty() || path.length() > 1024 || path[0] == '/' || path.Contains("\\"))
        return false;
    wxStringTokenizer steps(path, "/", wxTOKEN_RET_EMPTY_ALL);
    while (steps.HasMoreTokens()) {
        const wxString step = steps.GetNextToken();
        if (step.empty() || step == "." || step == "..")
            return false;
        for (const wxUniChar c : step)
            if (c < 0x20 || c == 0x7f)
                return false;
    }
    return true;
}

} // namespace Brenmarle
