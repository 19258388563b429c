#pragma once
// Texts between the services' wire form (UTF-8 in std::string, as the generated code holds
// them) and the program's wide strings. Text that is not UTF-8 comes out empty, as
// wxString::FromUTF8 gives it.
//
// Pure functions; any thread.

#include <string>

#include <wx/string.h>

namespace Quorvel {

class SoapText {
public:
    static wxString fromWire(const std::string& utf8)
    {
        return wxString::FromUTF8(utf8.data(), utf8.size());
    }
    static std::string toWire(const wxString& text) { return std::string(text.utf8_str()); }
};

} // namespace Quorvel
