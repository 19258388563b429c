#include "util/XMLNode.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>

#include <libxml/tree.h>

namespace Quorvel {

namespace {

const xmlChar* xml(const char* text)
{
    return reinterpret_cast<const xmlChar*>(text);
}

_xmlNode* elementFrom(_xmlNode* node)
{
    while (node && node->type != XML_ELEMENT_NODE)
        node = node->next;
    return node;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string trimmed(const std::string& text)
{
    size_t begin = 0;
    size_t end = text.size();
    while (begin < end && isBlank(text[begin]))
        ++begin;
    while (end > begin && isBlank(text[end - 1]))
        --end;
    return text.substr(begin, end - begin);
}

} // namespace

bool XMLNode::is(const char* name) const
{
    return m_node && std::strcmp(reinterpret_cast<const char*>(m_node->name), name) == 0;
}

wxString XMLNode::getName() const
{
    return m_node ? wxString::FromUTF8(reinterpret_cast<const char*>(m_node->name)) : wxString();
}

XMLNode XMLNode::firstChild() const
{
    return XMLNode(m_node ? elementFrom(m_node->children) : nullptr);
}

XMLNode XMLNode::next() const
{
    return XMLNode(m_node ? elementFrom(m_node->next) : nullptr);
}

XMLNode XMLNode::child(const char* name) const
{
    for (XMLNode node = firstChild(); node; node = node.next()) {
        if (node.is(name))
            return node;
    }
    return XMLNode();
}

std::string XMLNode::utf8Text() const
{
    if (!m_node)
        return std::string();
    // The common case, one text child, without the copy xmlNodeGetContent makes.
    const _xmlNode* only = m_node->children;
    if (only && !only->next && only->type == XML_TEXT_NODE && only->content)
        return trimmed(reinterpret_cast<const char*>(only->content));
    std::unique_ptr<xmlChar, decltype(xmlFree)> content(xmlNodeGetContent(m_node), xmlFree);
    return content ? trimmed(reinterpret_cast<const char*>(content.get())) : std::string();
}

wxString XMLNode::getText() const
{
    return wxString::FromUTF8(utf8Text());
}

wxString XMLNode::getOwnText() const
{
    std::string text;
    for (const _xmlNode* node = m_node ? m_node->children : nullptr; node; node = node->next)
        if ((node->type == XML_TEXT_NODE || node->type == XML_CDATA_SECTION_NODE) && node->content)
            text += reinterpret_cast<const char*>(node->content);
    return wxString::FromUTF8(trimmed(text));
}

bool XMLNode::toDouble(const std::string& text, double& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    // from_chars takes no leading plus sign; strtod does, and documents may carry one.
    if (begin != end && *begin == '+')
        ++begin;
    double parsed = 0;
    const auto result = std::from_chars(begin, end, parsed);
    if (result.ec != std::errc() || result.ptr != end || begin == end || !std::isfinite(parsed))
        return false;
    value = parsed;
    return true;
}

bool XMLNode::toLong(const std::string& text, int64_t& value)
{
    const char* begin = text.data();
    const char* end = begin + text.size();
    if (begin != end && *begin == '+')
        ++begin;
    int64_t parsed = 0;
    const auto result = std::from_chars(begin, end, parsed);
    if (result.ec != std::errc() || result.ptr != end || begin == end)
        return false;
    value = parsed;
    return true;
}

std::string XMLNode::fromDouble(double value)
{
    // The shortest text that reads back as the same number, with a point whatever the locale.
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

double XMLNode::getDouble() const
{
    double value = 0;
    return toDouble(utf8Text(), value) ? value : 0;
}

int64_t XMLNode::getLong() const
{
    int64_t value = 0;
    return toLong(utf8Text(), value) ? value : 0;
}

int XMLNode::getInt() const
{
    const int64_t value = getLong();
    if (value < std::numeric_limits<int>::min() || value > std::numeric_limits<int>::max())
        return 0;
    return static_cast<int>(value);
}

bool XMLNode::getBool() const
{
    return utf8Text() == "true";
}

wxUniChar XMLNode::getChar() const
{
    const wxString text = getText();
    return text.length() == 1 ? text[0] : wxUniChar(0);
}

bool XMLNode::hasAttribute(const char* name) const
{
    return m_node && xmlHasProp(m_node, xml(name)) != nullptr;
}

wxString XMLNode::getAttribute(const char* name) const
{
    if (!m_node)
        return wxString();
    std::unique_ptr<xmlChar, decltype(xmlFree)> value(xmlGetProp(m_node, xml(name)), xmlFree);
    return value ? wxString::FromUTF8(reinterpret_cast<const char*>(value.get())) : wxString();
}

XMLNode XMLNode::addChild(const char* name) const
{
    return XMLNode(xmlNewChild(m_node, nullptr, xml(name), nullptr));
}

XMLNode XMLNode::addText(const char* name, const wxString& value) const
{
    // xmlNewTextChild escapes the text; xmlNewChild would take "&" as the start of an entity.
    const wxScopedCharBuffer utf8 = value.utf8_str();
    return XMLNode(xmlNewTextChild(m_node, nullptr, xml(name), xml(utf8.data())));
}

XMLNode XMLNode::addDouble(const char* name, double value) const
{
    return XMLNode(xmlNewTextChild(m_node, nullptr, xml(name), xml(fromDouble(value).c_str())));
}

XMLNode XMLNode::addLong(const char* name, int64_t value) const
{
    return XMLNode(xmlNewTextChild(m_node, nullptr, xml(name), xml(std::to_string(value).c_str())));
}

XMLNode XMLNode::addBool(const char* name, bool value) const
{
    return XMLNode(xmlNewTextChild(m_node, nullptr, xml(name), xml(value ? "true" : "false")));
}

XMLNode XMLNode::addChar(const char* name, wxUniChar value) const
{
    return addText(name, value == 0 ? wxString() : wxString(value));
}

void XMLNode::setAttribute(const char* name, const wxString& value) const
{
    xmlSetProp(m_node, xml(name), xml(value.utf8_str().data()));
}

} // namespace Quorvel
