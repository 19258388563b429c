#pragma once
// Reads a large document one record at a time, so a price list of thousands of products never
// stands in memory as a whole tree: each child element of the root is handed over as a small
// tree of its own, and the elements inside the named list containers one by one, each freed
// before the next is read.
//
// The same rules as XMLDocument: no network, no document type definitions, blank text dropped,
// at most XMLDocument::MAX_BYTES. Failures: XMLException with the caller's message, also for a
// document that breaks off after some records were handed over (the caller drops what it
// built); the file exceptions of Quorvel::InputFile.
// Threads: one thread at a time.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <wx/string.h>

#include "util/XMLNode.h"

struct _xmlTextReader;

namespace Quorvel {

class XMLStreamReader {
public:
    using FieldHandler = std::function<void(const XMLNode& field)>;
    using ItemHandler = std::function<void(const std::string& list, const XMLNode& item)>;

    // A file, its declared encoding honoured.
    static XMLStreamReader fromFile(const wxString& path, const wxString& errorMessage);
    // UTF-8 text, whatever encoding it declares.
    static XMLStreamReader fromText(std::string utf8, const wxString& errorMessage);
    XMLStreamReader(XMLStreamReader&&) noexcept;
    ~XMLStreamReader();

    // Reads the document, whose root element must be `rootName`. Each child element of the
    // root goes to `field`, except those named in `lists`, whose child elements go to `item`
    // one at a time. A node is valid only during the call that receives it.
    void read(const char* rootName, const std::vector<std::string>& lists,
              const FieldHandler& field, const ItemHandler& item);

private:
    struct Deleter {
        void operator()(_xmlTextReader* reader) const;
    };
    explicit XMLStreamReader(const wxString& errorMessage);
    XMLStreamReader(std::string text, const char* encoding, const wxString& errorMessage);
    [[noreturn]] void fail() const;
    int readList(const std::string& list, const ItemHandler& item);

    // The text a reader made from memory parses; empty for a file.
    std::string m_text;
    wxString m_errorMessage;
    std::unique_ptr<_xmlTextReader, Deleter> m_reader;
};

} // namespace Quorvel
