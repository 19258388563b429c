#pragma once
// Items that other programs prepare for the cart (photo books, cards, calendars): a program
// leaves order/<item id>/orderpart.xml in the user data directory, with the item's pictures
// in order/<item id>/files/, and asks the program to add the item ("--addtocart <item id>").
//
// Everything in such an item comes from outside: the item id and each picture's file name must
// be a single path component (no "/", "\", "." or ".."), and each picture must be a plain file
// in the item's files folder, not a link to somewhere else. Only product types
// OrderPart::EXTERNAL_BOOK and EXTERNAL_CARD are taken.
//
// Threads: any; reads files only.

#include <memory>

#include <wx/string.h>

namespace Brenmarle {

class OrderPart;

class ExternalOrderItem {
public:
    // The largest orderpart.xml read.
    static constexpr size_t MAX_BYTES = 1024 * 1024;

    // Reads the item's part from `orderDir` (ending in "/"), with each picture's URI made
    // "file://" + the picture's full path. Throws ProductException with the reason:
    // "Could not find orderpart: %s", "Invalid order item id: %s", "Invalid file name in
    // orderpart: %s", "Could not find orderpart file: %s", "Cannot add external orderpart with
    // product type %d"; and Quorvel::XMLException for a document that is not an order part.
    static std::unique_ptr<OrderPart> read(const wxString& orderDir, const wxString& itemId);

    // Whether `name` can name a file or folder inside another without leaving it.
    static bool isSinglePathComponent(const wxString& name);
};

} // namespace Brenmarle
