#include "util/XMLDocument.h"

#include <libxml/parser.h>
#include <libxml/tree.h>

#include "util/InputFile.h"
#include "util/OutputFile.h"

namespace Quorvel {

namespace {

constexpr int PARSE_OPTIONS =
    XML_PARSE_NONET | XML_PARSE_NOBLANKS | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;

} // namespace

void XMLDocument::Deleter::operator()(_xmlDoc* document) const
{
    xmlFreeDoc(document);
}

XMLDocument::XMLDocument(_xmlDoc* document) : m_document(document) {}

XMLDocument::XMLDocument(const char* rootName)
    : m_document(xmlNewDoc(reinterpret_cast<const xmlChar*>("1.0")))
{
    if (!m_document)
        throw std::bad_alloc();
    xmlNode* root = xmlNewDocNode(m_document.get(), nullptr,
                                  reinterpret_cast<const xmlChar*>(rootName), nullptr);
    if (!root)
        throw std::bad_alloc();
    xmlDocSetRootElement(m_document.get(), root);
}

XMLDocument::XMLDocument(XMLDocument&&) noexcept = default;
XMLDocument& XMLDocument::operator=(XMLDocument&&) noexcept = default;
XMLDocument::~XMLDocument() = default;

XMLDocument XMLDocument::fromMemory(const std::string& bytes, const char* encoding,
                                    const wxString& errorMessage)
{
    if (bytes.size() > MAX_BYTES)
        throw XMLException(errorMessage);
    XMLDocument document(xmlReadMemory(bytes.data(), static_cast<int>(bytes.size()), nullptr,
                                       encoding, PARSE_OPTIONS));
    if (!document.m_document || document.m_document->intSubset || document.m_document->extSubset ||
        !document.getRoot())
        throw XMLException(errorMessage);
    return document;
}

XMLDocument XMLDocument::parse(const std::string& utf8, const wxString& errorMessage)
{
    return fromMemory(utf8, "UTF-8", errorMessage);
}

XMLDocument XMLDocument::load(const wxString& path, const wxString& errorMessage)
{
    InputFile file(path);
    if (file.length() > static_cast<int64_t>(MAX_BYTES))
        throw XMLException(errorMessage);
    std::string bytes;
    char buffer[65536];
    for (size_t n; (n = file.read(buffer, sizeof buffer)) > 0;) {
        bytes.append(buffer, n);
        if (bytes.size() > MAX_BYTES)
            throw XMLException(errorMessage);
    }
    return fromMemory(bytes, nullptr, errorMessage);
}

XMLNode XMLDocument::getRoot() const
{
    return XMLNode(m_document ? xmlDocGetRootElement(m_document.get()) : nullptr);
}

std::string XMLDocument::toString() const
{
    xmlChar* bytes = nullptr;
    int size = 0;
    xmlDocDumpFormatMemoryEnc(m_document.get(), &bytes, &size, "UTF-8", 1);
    std::unique_ptr<xmlChar, decltype(xmlFree)> owned(bytes, xmlFree);
    if (!owned || size < 0)
        throw std::bad_alloc();
    return std::string(reinterpret_cast<const char*>(owned.get()), static_cast<size_t>(size));
}

void XMLDocument::save(const wxString& path, bool flush) const
{
    const std::string text = toString();
    OutputFile file(path);
    file.write(text.data(), text.size());
    file.commit(OutputFile::Replace::Yes, flush ? OutputFile::Flush::Yes : OutputFile::Flush::No);
}

} // namespace Quorvel
