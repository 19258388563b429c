#pragma once
// An XML document held in memory: parsed from text or a file, or built from a root element,
// and written out whole. Owns its tree; the XMLNode views it hands out live as long as it does.
//
// Parsing takes documents as data only: no network access, no document type definitions (a
// document with one is refused, so entity definitions can neither expand nor reach other
// files), blank text dropped, and no more than MAX_BYTES of input.
//
// Failures: a document that cannot be parsed raises XMLException with the caller's message; a
// missing or unreadable file the file exceptions of InputFile; writing those of OutputFile.
// Threads: one thread at a time.

#include <cstddef>
#include <memory>
#include <string>

#include <wx/string.h>

#include "system/Exceptions.h"
#include "util/XMLNode.h"

struct _xmlDoc;

namespace Quorvel {

// A document is not well-formed XML, or holds what a reader refuses.
QUORVEL_DECLARE_EXCEPTION(XMLException, RuntimeException, "System.XMLError")

class XMLDocument {
public:
    // The largest document parsed (a price list of many thousand products is a few MB).
    static constexpr size_t MAX_BYTES = 64 * 1024 * 1024;

    // A new document holding one empty root element.
    explicit XMLDocument(const char* rootName);
    XMLDocument(XMLDocument&&) noexcept;
    XMLDocument& operator=(XMLDocument&&) noexcept;
    ~XMLDocument();

    // Parses UTF-8 text (an encoding the text declares is ignored: it is UTF-8 already).
    // Throws XMLException(`errorMessage`) when it is not a document with a root element.
    static XMLDocument parse(const std::string& utf8, const wxString& errorMessage);
    // Reads a file, honouring the encoding it declares. Throws the file exceptions of
    // InputFile, and XMLException(`errorMessage`) for a file that is too large or not XML.
    static XMLDocument load(const wxString& path, const wxString& errorMessage);

    XMLNode getRoot() const;

    // The document as UTF-8 text with its declaration, indented.
    std::string toString() const;
    // Writes the document to `path` atomically: a reader sees the old file or the whole new
    // one, never a part. With `flush` the bytes are on the disk when it returns.
    void save(const wxString& path, bool flush) const;

private:
    struct Deleter {
        void operator()(_xmlDoc* document) const;
    };
    explicit XMLDocument(_xmlDoc* document);
    // `encoding` null: as the document declares.
    static XMLDocument fromMemory(const std::string& bytes, const char* encoding,
                                  const wxString& errorMessage);

    std::unique_ptr<_xmlDoc, Deleter> m_document;
};

} // namespace Quorvel
