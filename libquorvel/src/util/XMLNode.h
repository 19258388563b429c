#pragma once
// A view of one element of an XML document that an XMLDocument owns, for records that read and
// write themselves (XMLSerializable). The view is valid while its document lives.
//
// Reading is lenient, as records read documents from other programs and other versions:
// numbers are decimal text in the C locale whatever the user's locale is (a decimal-comma
// desktop must read "12.50" as twelve and a half), text that does not convert, or converts to
// infinity or not-a-number, reads as 0, and a bool is true only for the text "true".
// Writing produces the same forms, again in the C locale.
//
// Threads: one thread at a time per document.

#include <cstdint>
#include <string>

#include <wx/string.h>

struct _xmlNode;

namespace Quorvel {

class XMLNode {
public:
    XMLNode() = default;
    explicit XMLNode(_xmlNode* node) : m_node(node) {}

    explicit operator bool() const { return m_node != nullptr; }
    // Whether this element is named `name` (UTF-8, exact).
    bool is(const char* name) const;
    wxString getName() const;

    // Child elements only: text, comments and processing instructions are skipped.
    XMLNode firstChild() const;
    XMLNode next() const;
    // The first child element named `name`; a null view when there is none.
    XMLNode child(const char* name) const;

    // The element's text with surrounding white space removed.
    wxString getText() const;
    // Only the element's own text, not that of its child elements ("Summer" of
    // <name>Summer<translated>Sommer</translated></name>), white space around it removed.
    wxString getOwnText() const;
    double getDouble() const;
    int64_t getLong() const;
    // As getLong, and 0 for values outside the range of int.
    int getInt() const;
    bool getBool() const;
    // The character when the text is exactly one character long, else NUL.
    wxUniChar getChar() const;
    bool hasAttribute(const char* name) const;
    wxString getAttribute(const char* name) const;

    // Appends a child element and returns it.
    XMLNode addChild(const char* name) const;
    XMLNode addText(const char* name, const wxString& value) const;
    XMLNode addDouble(const char* name, double value) const;
    XMLNode addLong(const char* name, int64_t value) const;
    XMLNode addBool(const char* name, bool value) const;
    // NUL writes an empty element.
    XMLNode addChar(const char* name, wxUniChar value) const;
    void setAttribute(const char* name, const wxString& value) const;

    // Conversions of the forms above, for texts that do not come from a node.
    // False, leaving `value` alone, for text that does not convert to a finite number.
    static bool toDouble(const std::string& text, double& value);
    static bool toLong(const std::string& text, int64_t& value);
    static std::string fromDouble(double value);

    // The element's text as UTF-8, white space around it removed.
    std::string utf8Text() const;

private:
    _xmlNode* m_node = nullptr;
};

} // namespace Quorvel
