#pragma once
// The base of records that read and write themselves as XML: one element per record, one child
// element per field, a plural container element for each list. Reading walks the children in
// any order, ignores names it does not know and leaves missing fields at their defaults, so a
// document of an older or newer version still reads.
//
// Threads: a record is used by one thread at a time.

#include <string>
#include <vector>

#include <wx/string.h>

#include "util/XMLNode.h"

namespace Quorvel {

class XMLSerializable {
public:
    virtual ~XMLSerializable() = default;

    // Reads the fields from the children of `element`.
    virtual void readXML(const XMLNode& element) = 0;
    // Writes the fields as children of `element`.
    virtual void writeXML(const XMLNode& element) const = 0;

    // Writes this record as a new child element `name` of `parent`.
    void appendTo(const XMLNode& parent, const char* name) const;
    // The record as a whole document whose root element is `rootName`.
    std::string toXMLString(const char* rootName) const;
    // Reads the record from the root element of a UTF-8 document. Throws XMLException with
    // `errorMessage` when the text is not a document.
    void fromXMLString(const std::string& utf8, const wxString& errorMessage);

    // Reads every `itemName` element of `container` as a T into `items` (appended).
    template <typename T>
    static void readList(const XMLNode& container, const char* itemName, std::vector<T>& items)
    {
        for (XMLNode node = container.firstChild(); node; node = node.next()) {
            if (!node.is(itemName))
                continue;
            items.emplace_back();
            items.back().readXML(node);
        }
    }
    // Writes `items` into a new container element `containerName` of `parent`.
    template <typename List>
    static void writeList(const XMLNode& parent, const char* containerName, const char* itemName,
                          const List& items)
    {
        const XMLNode container = parent.addChild(containerName);
        for (const auto& item : items)
            item.appendTo(container, itemName);
    }
};

} // namespace Quorvel
