#pragma once
// One product template of the provider's template list (element `template`): a calendar, a
// card or a photo booklet that the user fills with pictures. It names the price list's product
// it is made as, the sizes it comes in and the packages (ZIP archives) that hold its pages.
//
// The uuid names the template's folder on disk, so only a plain name (isSafeName) is accepted;
// the preview picture is a path inside the template's folder (isInsideFolder).
//
// A value; any thread.

#include <vector>

#include <wx/string.h>

#include "util/MLString.h"

namespace Quorvel {
class XMLNode;
}

namespace Brenmarle {

class Pricelist;
class Product;

class Template {
public:
    enum Kind { KIND_UNKNOWN = 0, KIND_CALENDAR = 1, KIND_CARD = 2, KIND_BOOKLET = 50 };

    // Width and height of the product in millimetres.
    struct Size {
        double width = 0;
        double height = 0;
        bool operator==(const Size& other) const
        {
            return width == other.width && height == other.height;
        }
    };

    wxString uuid;
    int version = 0;
    // Default text and translations keyed by locale ("de_DE": the list's "-" read as "_").
    Quorvel::MLString name;
    // Uuid of the price list's product.
    wxString product;
    std::vector<Size> sizes;
    wxString category;
    std::vector<wxString> extraCategories;
    int kind = KIND_UNKNOWN;
    int partCount = 0;
    // Path of the preview picture inside the unpacked package.
    wxString previewImage;
    // Addresses of the packages; relative ones are relative to the template list's address.
    wxString smallPackage;
    wxString fullPackage;

    // Reads a `template` element; unknown children are ignored, missing ones keep defaults.
    void readXML(const Quorvel::XMLNode& element);

    // "CALENDAR" 1, "CARD" 2, "SIMPLEBOOK" 50, anything else 0.
    static int kindOf(const wxString& type);

    // The label of the category list the template is grouped under for `code` (its own
    // category or one of its extra categories): "12 Page Calendars", "Christmas Cards" ...
    wxString categoryLabel(const wxString& code) const;

    // The product in `pricelist`; null when the price list has none of that uuid.
    const Product* findProduct(const Pricelist& pricelist) const;
    // "Prices from " and the lowest price of the product's rows that have one, in the price
    // list's currency format; empty when the product has no priced row.
    wxString priceText(const Pricelist& pricelist) const;
    // "Available in sizes: " followed by the sizes ("210 x 297 mm, 148 x 210 mm"); empty when
    // the list names none.
    wxString sizesText() const;

    // Name of the template's folder under "templates": "<uuid>-<version>".
    wxString folderName() const;

    // 1 to 64 letters, digits, "-" and "_", beginning with a letter or digit: a name that
    // stays one folder, whatever the file system.
    static bool isSafeName(const wxString& name);
    // A relative path of plain steps ("preview.png", "pages/cover.jpg"): not empty, not
    // absolute, no "..", ".", empty step or backslash, so it lies inside the folder it is
    // read in.
    static bool isInsideFolder(const wxString& path);
};

} // namespace Brenmarle
