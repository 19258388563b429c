#include "util/XMLSerializable.h"

#include "util/XMLDocument.h"

namespace Quorvel {

void XMLSerializable::appendTo(const XMLNode& parent, const char* name) const
{
    writeXML(parent.addChild(name));
}

std::string XMLSerializable::toXMLString(const char* rootName) const
{
    XMLDocument document(rootName);
    writeXML(document.getRoot());
    return document.toString();
}

void XMLSerializable::fromXMLString(const std::string& utf8, const wxString& errorMessage)
{
    const XMLDocument document = XMLDocument::parse(utf8, errorMessage);
    readXML(document.getRoot());
}

} // namespace Quorvel
