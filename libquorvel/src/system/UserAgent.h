#pragma once
// The user agent the HTTP and SOAP clients send. Kept in a fixed 200-byte buffer so the C
// clients can read it without allocating; until the application sets it, it holds the library
// identity "libquorvel/0.0.0".

#include <string>

#include <wx/string.h>

namespace Quorvel {

class UserAgent {
public:
    static constexpr size_t BUFFER_SIZE = 200;
    static constexpr const char* LIBRARY_IDENTITY = "libquorvel/0.0.0";

    // Stores the UTF-8 form, cut to at most 199 bytes at a character boundary.
    static void set(const wxString& agent);
    // The UTF-8 text; thread-safe.
    static std::string get();
    // "Vistrelle/%s (%s; U; %s; %s; Quorvel; %s)" for this system.
    static wxString compose(const wxString& version, const wxString& localeName,
                            const wxString& ipcName);
};

} // namespace Quorvel
