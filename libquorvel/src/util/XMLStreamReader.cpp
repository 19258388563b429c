#include "util/XMLStreamReader.h"

#include <algorithm>
#include <cstdint>

#include <libxml/xmlreader.h>

#include "util/InputFile.h"
#include "util/XMLDocument.h"

namespace Quorvel {

namespace {

constexpr int PARSE_OPTIONS =
    XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

const char* nameOf(xmlTextReaderPtr reader)
{
    const xmlChar* name = xmlTextReaderConstName(reader);
    return name ? reinterpret_cast<const char*>(name) : "";
}

} // namespace

void XMLStreamReader::Deleter::operator()(_xmlTextReader* reader) const
{
    xmlFreeTextReader(reader);
}

XMLStreamReader::XMLStreamReader(std::string text, const char* encoding,
                                 const wxString& errorMessage)
    : m_text(std::move(text)), m_errorMessage(errorMessage)
{
    if (m_text.size() > XMLDocument::MAX_BYTES)
        fail();
    m_reader.reset(xmlReaderForMemory(m_text.data(), static_cast<int>(m_text.size()), nullptr,
                                      encoding, PARSE_OPTIONS));
    if (!m_reader)
        fail();
}

XMLStreamReader::XMLStreamReader(const wxString& errorMessage) : m_errorMessage(errorMessage) {}

XMLStreamReader::XMLStreamReader(XMLStreamReader&&) noexcept = default;
XMLStreamReader::~XMLStreamReader() = default;

XMLStreamReader XMLStreamReader::fromFile(const wxString& path, const wxString& errorMessage)
{
    // Opened first for its errors (missing, not readable) and its size; the parser then reads
    // it in pieces itself, so the whole text is never held either.
    const InputFile file(path);
    if (file.length() > static_cast<int64_t>(XMLDocument::MAX_BYTES))
        throw XMLException(errorMessage);
    XMLStreamReader reader(errorMessage);
    reader.m_reader.reset(xmlReaderForFile(path.utf8_str(), nullptr, PARSE_OPTIONS));
    if (!reader.m_reader)
        reader.fail();
    return reader;
}

XMLStreamReader XMLStreamReader::fromText(std::string utf8, const wxString& errorMessage)
{
    return XMLStreamReader(std::move(utf8), "UTF-8", errorMessage);
}

void XMLStreamReader::fail() const
{
    throw XMLException(m_errorMessage);
}

int XMLStreamReader::readList(const std::string& list, const ItemHandler& item)
{
    xmlTextReaderPtr reader = m_reader.get();
    int result = xmlTextReaderRead(reader);
    while (result == 1 && xmlTextReaderDepth(reader) > 1) {
        if (xmlTextReaderNodeType(reader) == XML_READER_TYPE_ELEMENT) {
            xmlNode* node = xmlTextReaderExpand(reader);
            if (!node)
                fail();
            item(list, XMLNode(node));
            result = xmlTextReaderNext(reader);
        } else {
            result = xmlTextReaderRead(reader);
        }
    }
    // On the container's end: past it.
    if (result == 1 && xmlTextReaderNodeType(reader) == XML_READER_TYPE_END_ELEMENT)
        result = xmlTextReaderRead(reader);
    return result;
}

void XMLStreamReader::read(const char* rootName, const std::vector<std::string>& lists,
                           const FieldHandler& field, const ItemHandler& item)
{
    xmlTextReaderPtr reader = m_reader.get();
    bool sawRoot = false;
    int result = xmlTextReaderRead(reader);
    while (result == 1) {
        const int type = xmlTextReaderNodeType(reader);
        const int depth = xmlTextReaderDepth(reader);
        if (type == XML_READER_TYPE_DOCUMENT_TYPE)
            fail();
        if (type == XML_READER_TYPE_ELEMENT && depth == 0) {
            if (sawRoot || std::string(nameOf(reader)) != rootName)
                fail();
            sawRoot = true;
        } else if (type == XML_READER_TYPE_ELEMENT && depth == 1) {
            const std::string name = nameOf(reader);
            if (std::find(lists.begin(), lists.end(), name) != lists.end()) {
                if (xmlTextReaderIsEmptyElement(reader))
                    result = xmlTextReaderRead(reader);
                else
                    result = readList(name, item);
                continue;
            }
            xmlNode* node = xmlTextReaderExpand(reader);
            if (!node)
                fail();
            field(XMLNode(node));
            result = xmlTextReaderNext(reader);
            continue;
        }
        result = xmlTextReaderRead(reader);
    }
    if (result < 0 || !sawRoot)
        fail();
}

} // namespace Quorvel
